#include "tests/panels/panel_fixture.h"

// clang-format off
#include <objbase.h>
#include <gdiplus.h>
// clang-format on

#include "app/Program.h"
#include "tests/common/real_input.h"
#include "toolkit/SkinUi.h"
#include "toolkit/XmlDocument.h"

namespace paneltest {

win32::CWndClassInfo& CHostWindow::GetWndClassInfo() {
  static win32::CWndClassInfo info = {
      L"PanelTestHost", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT CHostWindow::OnRecord(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  m_log.push_back({uMsg, LOWORD(wParam), HIWORD(wParam), lParam});
  bHandled = FALSE;  // on to the reflection
  return 0;
}

std::vector<Command> CHostWindow::CommandsFrom(int id) const {
  std::vector<Command> found;
  for (const Command& c : m_log)
    if (c.message == WM_COMMAND && c.id == id) found.push_back(c);
  return found;
}

void PanelFixture::TearDown() {
  if (m_host && m_host->m_hWnd) m_host->DestroyWindow();
  m_host.reset();
  Pump();
  if (m_bProductSkin)
    ExitSkinUi();
  else
    GetSkinUi()->ClearSkin();
  m_bProductSkin = false;
}

void PanelFixture::LoadSkin(const std::string& xml) {
  GetSkinUi()->ClearSkin();
  GetSkinUi()->SetLanguage(1033);
  AvlfXmlDocument document;
  ASSERT_TRUE(document.Load(xml.data(), xml.size()));
  GetSkinUi()->WalkSkinDocument(document);
}

bool PanelFixture::LoadProductSkin() {
  try {
    InitSkinUi(SkinPackagePath(ExecutableFolder()).c_str(), 1033);
  } catch (const AvlfException&) {
    return false;
  }
  m_bProductSkin = true;
  return true;
}

CHostWindow* PanelFixture::CreateHost(const wchar_t* name) {
  m_host = std::make_unique<CHostWindow>();
  if (!m_host->Create(nullptr, nullptr, nullptr, name, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN)) {
    m_host.reset();
    return nullptr;
  }
  realinput::BringToFront(m_host->m_hWnd);
  Pump();
  return m_host.get();
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

POINT ScreenPoint(HWND window, int x, int y) {
  POINT pt{x, y};
  ::ClientToScreen(window, &pt);
  return pt;
}

PaintedPicture::PaintedPicture(HWND window, UINT message) {
  RECT rc{};
  ::GetClientRect(window, &rc);
  m_nWidth = rc.right > 0 ? rc.right : 1;
  m_nHeight = rc.bottom > 0 ? rc.bottom : 1;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = m_nWidth;
  info.bmiHeader.biHeight = -m_nHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  m_hDC = ::CreateCompatibleDC(nullptr);
  m_hBitmap = ::CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pBits), nullptr, 0);
  m_hOld = ::SelectObject(m_hDC, m_hBitmap);
  ::SendMessageW(window, message, reinterpret_cast<WPARAM>(m_hDC), message == WM_PRINTCLIENT ? PRF_CLIENT : 0);
  ::GdiFlush();
}

PaintedPicture::~PaintedPicture() {
  ::SelectObject(m_hDC, m_hOld);
  ::DeleteObject(m_hBitmap);
  ::DeleteDC(m_hDC);
}

unsigned PaintedPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight || !m_pBits) return 0xFFFFFFFFu;
  return m_pBits[y * m_nWidth + x] & 0xFFFFFF;
}

bool PaintedPicture::Save(const std::wstring& file) const {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) != L"image/png") continue;
    Gdiplus::Bitmap picture(m_hBitmap, nullptr);
    return picture.Save(file.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
  }
  return false;
}

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

namespace {

// GDI+ and COM for the whole run: the skin's fonts and the painting need them.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override {
    Gdiplus::GdiplusShutdown(m_token);
    ::CoUninitialize();
  }

 private:
  ULONG_PTR m_token = 0;
};

[[maybe_unused]] ::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace

}  // namespace paneltest
