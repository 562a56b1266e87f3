// The measurement document: one picture in a system-memory surface, drawn in
// 256 x 256 cells kept in the canvas's textures, with its place and
// zoom on the canvas, its calibration, region, selection and undo history.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/Command.h"
#include "engine/Element.h"
#include "engine/History.h"
#include "engine/overlays/Overlays.h"
#include "win32/ComPtr.h"

class CDTDraw;
class CDTRuler;
namespace project {
struct StoredFigure;
struct StoredTrailer;
}  // namespace project

class CDTImage : public CDTElement, public CDTSnapshotSource {
 public:
  // One 256 x 256 square of the picture with its quad.
  struct CCell {
    CDTImage* owner = nullptr;
    IDirect3DDevice9* device = nullptr;
    win32::CComPtr<IDirect3DVertexBuffer9> vertices;
    RECT source{};       // picture pixels
    float screen[4]{};   // window pixels: left, top, right, bottom
    int cacheSlot = -1;  // where the canvas's picture cache last kept it
  };
  struct CTile {
    int x, y, width, height;
  };

  CDTImage();
  ~CDTImage() override;

  // Element operations.
  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnResetDevice() override;
  int Resize(int width, int height) override;
  LRESULT Command(int command, int value, void* data, int* handled) override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  int OnMouseMove(UINT flags, const POINT* point) override;

  // Operations for other threads and subsystems; each sends one command.
  int UploadFrame(const void* pixels, int width, int height, int stride, const wchar_t* infoText);
  int UploadTileFrame(const wchar_t* infoText, const void* pixels, int width, int height, int stride, int tile, int x,
                      int y, BOOL bottomUp);
  int SetLayout(int tiles, int tileWidth, int tileHeight);
  int SetZoomMode(int mode, float zoom);
  int CalibrateLength(double length);
  void SetReferenceScale(const double* values, int count);
  void SetMultiPower(double power);
  void SetUnit(const wchar_t* unit);
  void ShowInfoLine(int line);
  void HideInfoLine(int line);
  int DeleteFigure(CDTElement* figure);
  int SelectElement(CDTElement* element);
  int MergeFile(const wchar_t* path);
  BOOL SaveFile(const wchar_t* path);
  int LoadFile(const wchar_t* path);
  void Undo();
  void Redo();

  // Operations of the canvas thread.
  void ApplyZoom(BOOL clampOffset);
  void ZoomAbout(float zoom, const POINT* point);
  void PanBy(int dx, int dy);
  void CentreInWindow();
  void SetOffsetForTile(int x, int y);
  void RemeasureAll();
  int NextFigureNumber() const;
  void SelectNextFigure();
  void PushHistory();
  // The figure trailer of the document into an undo snapshot, and back.
  int WriteSnapshot(CDTAction* action) override;
  bool RestoreSnapshot(CDTAction* action) override;
  // Every figure but the ruler, in list order.
  std::vector<const CDTDraw*> StoredFigures() const;
  BOOL ReadFrameForHistogram();
  // Changes whenever the picture's pixels do.
  uint64_t PictureVersion();
  void DrawInfoLines();

  // Called directly by a worker thread that writes the picture (the slide
  // show). The frame lock is held from LockFrame to UnlockFrame, so uploads
  // and drawing on the canvas thread wait for the writer.
  BOOL LockFrame(D3DLOCKED_RECT* out);
  void UnlockFrame();

  CDTHistory m_history;
  CDTRuler* m_pRuler = nullptr;
  CDTElement* m_pSelected = nullptr;
  void* m_pProject = nullptr;
  win32::CComPtr<IDirect3DSurface9> m_pFrame;
  float m_fZoom = 1.0f;
  int m_nZoomMode = 0;  // 0 fit, 1 actual size, 2 free factor
  int m_nHeight = 0;
  int m_nWidth = 0;
  int m_nCellsAcross = 0;
  int m_nCellsDown = 0;
  int m_nCellCount = 0;
  std::unique_ptr<CCell[]> m_pCells;
  int m_bPanning = 0;
  int m_nGrabX = 0;
  int m_nGrabY = 0;
  int m_nPrevOffsetX = 0;
  int m_nPrevOffsetY = 0;
  float m_fPrevZoom = 1.0f;
  wchar_t m_szUnit[256];
  double ReferenceScale = 1.0;
  double MultiPower = 1.0;
  CTile m_tiles[4]{};
  int m_nTileCount = 0;
  int m_nTileHeight = 0;
  int m_nTileWidth = 0;
  RECT m_rcRegion{};
  int m_bLive = 0;
  std::wstring m_strInfoText;
  CHistogramBins m_histogramBins;

 private:
  friend class CDTMagnifier;  // copies from the frame surface under its lock

  bool HasCanvas() const;
  void RebuildCells();
  void LayoutCells();
  void DestroyCells();
  bool EnsureFrameSurface(int regionWidth, int regionHeight, bool clear);
  void CopyFrame(const ImageFrameData& frame, BOOL bottomUp);
  void CopyTileFrame(const ImageTileFrameData& tile);
  void OnFrame(const ImageFrameData& frame, BOOL bottomUp);
  void OnTileFrame(const ImageTileFrameData& tile);
  int OnLayout(const ImageLayoutData& layout);
  void OnZoomRequest(int mode, float zoom);
  int OnCalibrate(const ImageCalibrateData& data);
  int OnCalibrateLength(double length);
  void OnScale(const double* values, int count);
  void OnMultiPower(double power);
  void OnUnit(const wchar_t* unit);
  int OnDelete(CDTElement* figure);
  int OnSelect(CDTElement* figure);
  void OnUndoRedo(bool undo);
  int OnSaveFile(const wchar_t* path);
  int OnReadFile(const wchar_t* path, bool load);
  CDTDraw* AddStoredFigure(const project::StoredFigure& figure, bool load, bool report);
  void RemoveFigures(const std::vector<CDTElement*>& figures);
  void RemoveFigure(CDTElement* figure);
  void ReportFigureChanged();
  LRESULT Send(int command, int value, void* data);

  bool m_bRulerAttached = false;
  // Kept between restores and file reads: an undo reads 10,000 records
  // without making their buffers anew.
  std::unique_ptr<project::StoredTrailer> m_pRestoreTrailer;
  // The part of the canvas the last restore changed; false when not known.
  RECT m_rcRestored{};
  bool m_bRestoredInPart = false;
  // Adds a figure's drawn extent to m_rcRestored, or makes it unknown.
  void AddRestoredExtent(const CDTDraw* figure);
  std::vector<uint8_t> m_fileBytes;  // the trailer bytes of the last file read
  std::recursive_mutex m_frameLock;
  // Changes with every write to the frame (under the frame lock): cells the
  // canvas keeps in textures are copied again only after it changed.
  uint64_t m_nPictureVersion = 0;
};
