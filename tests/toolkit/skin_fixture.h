// A skin read from a document given as text, GDI+ started, and a hidden
// top-level window to hold skinned windows.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>

#include <gtest/gtest.h>

#include "toolkit/SkinUi.h"
#include "toolkit/XmlDocument.h"

namespace skintest {

class SkinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    m_host = ::CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 800, 600, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_TRUE(m_host);
  }
  void TearDown() override {
    if (m_host) ::DestroyWindow(m_host);
    GetSkinUi()->ClearSkin();
    Gdiplus::GdiplusShutdown(m_token);
  }
  // Replaces the skin by the document (UTF-8).
  void LoadSkin(const std::string& xml) {
    GetSkinUi()->ClearSkin();
    GetSkinUi()->SetLanguage(1033);
    AvlfXmlDocument document;
    ASSERT_TRUE(document.Load(xml.data(), xml.size()));
    GetSkinUi()->WalkSkinDocument(document);
  }

  ULONG_PTR m_token = 0;
  HWND m_host = nullptr;
};

// The colour at (x, y) of what the window paints into a DC of its own size.
inline COLORREF PaintedPixel(HWND hWnd, int x, int y, UINT msg = WM_PAINT) {
  RECT rc{};
  ::GetClientRect(hWnd, &rc);
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  ::SendMessageW(hWnd, msg, reinterpret_cast<WPARAM>(dc), msg == WM_PRINTCLIENT ? PRF_CLIENT : 0);
  COLORREF colour = ::GetPixel(dc, x, y);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

}  // namespace skintest
