// Renders a measure project file at the picture's full size, tile by tile on
// a hidden message-only canvas with a 256 x 256 back buffer, and saves the
// result as a BMP file.
#pragma once

#include <string>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"

class CDTPrint : public CDirectUI {
 public:
  static constexpr int kTile = 256;

  CDTPrint();
  ~CDTPrint() override;

  // Null when the project's picture part cannot be read or the device cannot be made.
  HWND Create(CDirectUI* source, const wchar_t* projectPath, const wchar_t* outputPath, int flags);
  LRESULT OnDeviceCreated(WPARAM, LPARAM) override;
  // Reads the back buffer before it is presented: a discarded buffer holds nothing after.
  HRESULT PresentFrame() override;
  BOOL Render();
  void DestroyWindow();

  // The message-only window the canvas is a child of.
  HWND m_hWndHost = nullptr;
  std::wstring m_strProjectPath;
  std::wstring m_strOutputPath;
  CDTImage m_document;
  ZEvuvoro::CImage m_picture;
  CDirectUI* m_pSource = nullptr;
  int m_nPictureWidth = 0;
  int m_nPictureHeight = 0;
  int m_nTilesAcross = 0;
  int m_nTilesDown = 0;

 private:
  HRESULT ReadBackBuffer();
  void DestroyHost();

  ZEvuvoro::CImage m_tile;
  bool m_bReadOnPresent = false;
  HRESULT m_hrRead = E_FAIL;
};
