#include "capture/Project.h"

#include <cstddef>
#include <cstdlib>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "settings/Configuration.h"

CWndSettingsZoom* g_pWndSettingsZoom = nullptr;

CProject::CProject(CProjectManager* manager, const wchar_t* path)
    : m_pManager(manager), m_pszPath(path && *path ? _wcsdup(path) : nullptr) {}

CProject::~CProject() { free(m_pszPath); }

int CProject::CreateDocument() {
  if (m_pDocument) Close();
  m_pDocument = new CDTImage();
  // Not on a canvas yet: the document takes these at once, without a message.
  const std::wstring unit = g_Config.CopyUnit();
  m_pDocument->SetUnit(unit.c_str());
  const double scale = g_Config.m_ReferenceScale;
  m_pDocument->SetReferenceScale(&scale, 1);
  m_pDocument->SetMultiPower(g_Config.m_MultiPower);
  m_pDocument->m_pProject = this;
  return OnCreate();
}

void CProject::Close() {
  OnDestroy();
  free(m_pszPath);
  m_pszPath = nullptr;
  if (!m_pDocument) return;
  // Taken off the canvas it was put on, whichever that was, so that the canvas
  // keeps no pointer to a deleted document.
  if (CDirectUI* canvas = m_pDocument->m_pOwner) canvas->DetachElement(m_pDocument);
  delete m_pDocument;
  m_pDocument = nullptr;
}

void SetOpaqueAlpha(uint8_t* pixels, int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0) return;
  for (int y = 0; y < height; ++y) {
    // Whole pixels at a time, which the compiler turns into vector stores.
    auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
  }
}

int CProject::LoadDocument(CDirectUI* canvas) {
  if (m_bNoReload) return 0;
  if (!m_pDocument) return 0;
  if (m_pDocument->m_nWidth > 0 && m_pDocument->m_nHeight > 0) return 1;
  if (!m_pszPath) return 0;
  ZEvuvoro::CImage image;
  image.LoadFile(m_pszPath);
  if (!image.IsValid() || image.GetWidth() <= 0 || image.GetHeight() <= 0) return 0;
  const RECT bounds{0, 0, image.GetWidth(), image.GetHeight()};
  if (FAILED(m_pDocument->Create(canvas, nullptr, m_pszPath, &bounds))) return 0;
  SetOpaqueAlpha(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride());
  m_pDocument->UploadFrame(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride(), nullptr);
  return m_pDocument->m_nWidth > 0 && m_pDocument->m_nHeight > 0 ? 1 : 0;
}
