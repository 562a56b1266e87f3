// The product skin as the program meets it: velin.dll and resource\ beside
// the executable, opened in every language it holds, and its "MainFrame" built
// and laid out at the smallest frame the program allows and at full HD. The
// pictures and a list of every window with its font stay in the test's work
// folder for a person to look at.

#include <windows.h>

#include <gdiplus.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "toolkit/SkinUi.h"
#include "toolkit/SkinWindow.h"

namespace {

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i)
    if (std::wstring(codecs[i].MimeType) == L"image/png") return *clsid = codecs[i].Clsid, true;
  return false;
}

// The window as the screen shows it, saved as a PNG.
bool SaveWindowPicture(HWND window, const std::wstring& file, const CLSID& png) {
  RECT rc{};
  ::GetClientRect(window, &rc);
  HDC windowDC = ::GetDC(window);
  HDC memory = ::CreateCompatibleDC(windowDC);
  HBITMAP bitmap = ::CreateCompatibleBitmap(windowDC, rc.right, rc.bottom);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, rc.right, rc.bottom, windowDC, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::ReleaseDC(window, windowDC);
  bool saved = false;
  {
    Gdiplus::Bitmap picture(bitmap, nullptr);
    saved = picture.Save(file.c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return saved;
}

// The main view without the shell: a plain skinned window whose children the
// factory makes from the skin.
class CMainFrameView : public AvlfWindowImpl<CMainFrameView> {};

struct WindowFont {
  std::string path;
  std::wstring face;  // the face the window asks for
  bool usable;        // GDI+ gives a font of that face
};

// Every window of the tree with the font it draws its text in.
void CollectFonts(const AvlfWindowBase& window, const std::string& path, std::vector<WindowFont>* fonts) {
  Gdiplus::Font* font = MakeSkinWindowFont(window.m_hWnd, window.m_strFontFile, window.m_logFont);
  bool usable = false;
  if (font && font->IsAvailable()) {
    Gdiplus::FontFamily family;
    wchar_t name[LF_FACESIZE] = {};
    usable = font->GetFamily(&family) == Gdiplus::Ok && family.GetFamilyName(name) == Gdiplus::Ok && name[0];
  }
  delete font;
  fonts->push_back({path, window.m_logFont.lfFaceName, usable});
  for (const AvlfWindowBase* child : window.m_children)
    CollectFonts(*child, path + "/" + Narrow(child->m_pElement->GetName()), fonts);
}

class ProductSkin : public ::testing::Test {
 protected:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override {
    GetSkinUi()->ClearSkin();
    Gdiplus::GdiplusShutdown(m_token);
  }
  ULONG_PTR m_token = 0;
};

TEST_F(ProductSkin, OpensInEveryLanguageAndBuildsTheMainFrame) {
  const std::wstring package = ExecutableFolder() + L"\\velin.dll";
  ASSERT_NE(::GetFileAttributesW(package.c_str()), INVALID_FILE_ATTRIBUTES) << "no velin.dll beside the test";
  try {
    GetSkinUi()->LoadSkinPackage(package.c_str());
  } catch (const AvlfException& e) {
    FAIL() << "velin.dll did not load: " << Narrow(e.Text() ? e.Text() : L"");
  }

  // The languages are those the package has texts for; 1033 always.
  std::vector<LANGID> languages;
  for (LANGID language : {LANGID(1033), LANGID(2052)}) {
    const auto* texts = GetSkinUi()->GetElements(AVLF_UI_TEXT, language);
    if (texts && !texts->empty()) languages.push_back(language);
  }
  ASSERT_FALSE(languages.empty());
  EXPECT_EQ(languages.front(), 1033);

  CLSID png{};
  ASSERT_TRUE(PngEncoder(&png));
  std::ofstream list("product_mainframe_fonts.txt");
  for (LANGID language : languages) {
    SCOPED_TRACE(testing::Message() << "language " << language);
    // Each language is a fresh start of the program: load, then steer.
    GetSkinUi()->ClearSkin();
    try {
      GetSkinUi()->LoadSkinPackage(package.c_str());
    } catch (const AvlfException& e) {
      FAIL() << "velin.dll did not load: " << Narrow(e.Text() ? e.Text() : L"");
    }
    GetSkinUi()->SetLanguage(language);
    EXPECT_STRNE(GetSkinUi()->FindText(L"MFile"), L"");

    HWND frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"MainFrame", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 1080,
                                   720, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(frame);
    CMainFrameView view;
    RECT rc{0, 0, 1080, 720};
    ASSERT_TRUE(view.Create(nullptr, frame, &rc, L"MainFrame", 0x56000000));
    ASSERT_FALSE(view.m_children.empty()) << "MainFrame has no windows";
    ::ShowWindow(frame, SW_SHOWNOACTIVATE);

    for (const SIZE size : {SIZE{1080, 720}, SIZE{1920, 1080}}) {
      SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
      ::SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      ::MoveWindow(view, 0, 0, size.cx, size.cy, TRUE);
      ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      ::GdiFlush();

      // The palette keeps its width down the left edge, the work area takes the rest.
      const AvlfWindowBase* tool = view.FindChildByCommandId(1);
      const AvlfWindowBase* work = view.FindChildByCommandId(2);
      ASSERT_TRUE(tool && work);
      RECT toolRect{}, workRect{};
      ::GetWindowRect(tool->m_hWnd, &toolRect);
      ::GetWindowRect(work->m_hWnd, &workRect);
      ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&toolRect), 2);
      ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&workRect), 2);
      EXPECT_EQ(toolRect.left, 0);
      EXPECT_EQ(toolRect.bottom - toolRect.top, size.cy);
      EXPECT_EQ(workRect.left, toolRect.right);
      EXPECT_EQ(workRect.right, size.cx);
      EXPECT_EQ(workRect.bottom - workRect.top, size.cy);

      wchar_t name[64];
      std::swprintf(name, 64, L"product_mainframe_%u_%ldx%ld.png", language, size.cx, size.cy);
      EXPECT_TRUE(SaveWindowPicture(frame, name, png));
    }

    // No window falls back to the default face, which may be a bitmap face
    // GDI+ cannot draw with; each gets a font GDI+ can use.
    std::vector<WindowFont> fonts;
    CollectFonts(view, "MainFrame", &fonts);
    for (const WindowFont& font : fonts) {
      list << language << ' ' << font.path << ' ' << Narrow(font.face) << (font.usable ? "" : " UNUSABLE") << '\n';
      EXPECT_NE(font.face, L"MS Sans Serif") << font.path;
      EXPECT_TRUE(font.usable) << font.path << " asks for " << Narrow(font.face);
    }
    view.DestroyWindow();
    ::DestroyWindow(frame);
  }
}

}  // namespace
