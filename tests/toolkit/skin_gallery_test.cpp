// The layout gallery: builds the gallery skin's "Gallery" window in a shown
// frame at three sizes and saves each picture as a PNG with the rectangle of
// every window. skin_gallery_check.py predicts both from the same Skin.xml.

#include <windows.h>

#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinWindow.h"

namespace {

// The application window the gallery attaches: a checkerboard of 8-pixel
// squares that transparent children show through.
class CCheckerPane : public AvlfWindowImpl<CCheckerPane> {
 public:
  void DrawBackground(HDC hdc) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    HBRUSH dark = ::CreateSolidBrush(RGB(32, 32, 32)), light = ::CreateSolidBrush(RGB(224, 224, 224));
    for (int y = 0; y < rc.bottom; y += 8) {
      for (int x = 0; x < rc.right; x += 8) {
        RECT square{x, y, x + 8, y + 8};
        ::FillRect(hdc, &square, ((x / 8 + y / 8) % 2) ? light : dark);
      }
    }
    ::DeleteObject(dark);
    ::DeleteObject(light);
  }
};

class CGalleryRoot : public AvlfWindowImpl<CGalleryRoot> {
 public:
  CCheckerPane m_checker;
  BEGIN_MSG_MAP(CGalleryRoot)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  CHAIN_MSG_MAP(AvlfWindowImpl<CGalleryRoot>)
  END_MSG_MAP()
  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    AvlfWindowImpl<CGalleryRoot>::OnCreate(uMsg, wParam, lParam, bHandled);
    AttachSkinChild(this, m_checker, 50);
    return 0;
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// One line per window: its element path, class, transparency and its
// rectangle in the root's client coordinates.
void ListWindows(const AvlfWindowBase& window, HWND root, const std::string& path, std::ofstream& out) {
  for (const AvlfWindowBase* child : window.m_children) {
    std::string name;
    for (const wchar_t* p = child->m_pElement->GetName(); *p; ++p) name.push_back(static_cast<char>(*p));
    RECT rc{};
    ::GetWindowRect(child->m_hWnd, &rc);
    ::MapWindowPoints(nullptr, root, reinterpret_cast<POINT*>(&rc), 2);
    const std::string childPath = path + "/" + name;
    out << childPath << ' ' << rc.left << ' ' << rc.top << ' ' << rc.right - rc.left << ' ' << rc.bottom - rc.top
        << '\n';
    ListWindows(*child, root, childPath, out);
  }
}

class SkinGallery : public skintest::SkinFixture {};

TEST_F(SkinGallery, SavesTheGalleryAtThreeSizes) {
  const char* source = std::getenv("MEASURE_SOURCE_DIR");
  ASSERT_TRUE(source) << "MEASURE_SOURCE_DIR is not set";
  std::string skin = ReadFile(std::string(source) + "/tests/toolkit/gallery/Skin.xml");
  ASSERT_FALSE(skin.empty());
  LoadSkin(skin);
  CLSID png{};
  ASSERT_TRUE(PngEncoder(&png));

  HWND frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"gallery", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 480, 300,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(frame);
  CGalleryRoot root;
  RECT rc{0, 0, 480, 300};
  ASSERT_TRUE(root.Create(nullptr, frame, &rc, L"Gallery"));
  ASSERT_TRUE(root.m_checker.m_hWnd);
  ::ShowWindow(frame, SW_SHOWNOACTIVATE);

  const SIZE sizes[] = {{320, 240}, {480, 300}, {400, 260}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
    ::SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::MoveWindow(root, 0, 0, size.cx, size.cy, TRUE);
    ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::GdiFlush();

    HDC windowDC = ::GetDC(frame);
    HDC memory = ::CreateCompatibleDC(windowDC);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDC, size.cx, size.cy);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, size.cx, size.cy, windowDC, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::ReleaseDC(frame, windowDC);

    char name[64];
    std::snprintf(name, sizeof name, "gallery_%ldx%ld", size.cx, size.cy);
    {
      Gdiplus::Bitmap picture(bitmap, nullptr);
      std::wstring file(name, name + std::char_traits<char>::length(name));
      EXPECT_EQ(picture.Save((file + L".png").c_str(), &png, nullptr), Gdiplus::Ok);
    }
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);

    std::ofstream list(std::string(name) + ".txt");
    list << "Gallery 0 0 " << size.cx << ' ' << size.cy << '\n';
    ListWindows(root, root, "Gallery", list);
  }
  // For comparing the last picture with the X screen by hand:
  // SKIN_GALLERY_HOLD_MS keeps the frame shown that long.
  if (const char* hold = std::getenv("SKIN_GALLERY_HOLD_MS")) {
    std::printf("gallery shown on DISPLAY=%s\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "?");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::atoi(hold)));
  }
  root.DestroyWindow();
  ::DestroyWindow(frame);
}

}  // namespace
