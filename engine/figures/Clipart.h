// The clip-art figure: a picture file placed over the measured image, drawn
// with its own transparency faded by the clip-art colour's alpha and resized
// by its four corners. The picture stays in system memory and is drawn in
// cells of at most 256 pixels through the canvas's staging texture. A fixed
// clip-art keeps its screen size on zoom; a free one scales with the picture.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/figures/Draw.h"

struct IDirect3DSurface9;

class CDTClipart : public CDTDraw {
 public:
  // One cell of the picture: a textured quad of at most 256 x 256 texels.
  class CCell {
   public:
    CCell();
    virtual ~CCell() = default;
    CDTClipart* m_pOwner = nullptr;
    RECT m_rcSource{};
    RECT m_rcScreen{};
    TexturedVertex m_quad[4];
  };

  CDTClipart();
  // A clip-art placed by a click (window pixels) from a picture file.
  CDTClipart(POINT point, const wchar_t* path);
  ~CDTClipart() override;

  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  void OnVertexMoved(int index) override;
  void MoveBy(float dx, float dy) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void Measure() override;
  void BuildHandles() override;
  void OnLineColorChanged() override;
  void GetStoredExtra(FigureExtra* extra) const override;
  // Before creation the stored path, flag and scales are taken as they are;
  // on a clip-art that exists they wait for the vertices of the same record.
  void SetStoredExtra(const FigureExtra& extra) override;
  void SetVertices(const std::vector<PointF>& points) override;

  void SetPath(const wchar_t* path);
  void SetFixed(BOOL fixed);
  // Brings an existing clip-art to a snapshot's points, scales and flag.
  void RestoreGeometry(const std::vector<PointF>& points, float scaleX, float scaleY, BOOL fixed);

  BYTE m_bPlaced = 0;
  BYTE m_bFixed = 1;
  IDirect3DSurface9* m_pPicture = nullptr;
  int m_nPictureHeight = 0;
  int m_nPictureWidth = 0;
  int m_nCellColumns = 0;
  int m_nCellRows = 0;
  std::unique_ptr<CCell[]> m_pCells;
  float m_fScaleX = 1.0f;
  float m_fScaleY = 1.0f;
  wchar_t* m_pszPath = nullptr;
  PointF m_center{};

 private:
  void Upload(int width, int height, const uint8_t* pixels, int stride);
  void CentreOnHandle0();
  void ScalesFromBounds();
  void LayoutCells();
  void ReleasePicture();

  // A snapshot's flag and scales, held until its points arrive.
  bool m_bPending = false;
  BOOL m_bPendingFixed = TRUE;
  float m_fPendingScaleX = 1.0f;
  float m_fPendingScaleY = 1.0f;
};
