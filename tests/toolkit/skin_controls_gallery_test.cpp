// A page of the skin's controls made by the control factory under a shown
// skinned window: the native buttons' own draw requests travel through the
// parent's reflection, and the picture on the screen is saved as
// controls_gallery.png and read back.

#include <windows.h>

#include <gdiplus.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/real_input.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/Buttons.h"
#include "toolkit/Slider.h"
#include "toolkit/Static.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Red Red="255" Green="0" Blue="0" Alpha="255"/>
    <Black Red="0" Green="0" Blue="0" Alpha="255"/>
    <Paper Red="255" Green="255" Blue="255" Alpha="255"/>
  </Colors>
  <Fonts><Big FamilyName="Liberation Sans" Height="30" Weight="700"/></Fonts>
  <Text><Bars Text="IIII"/></Text>
  <Windows>
    <Page Class="WINDOW" ClBkGround="Paper" Width="320" Height="130">
      <Icon Class="ICONBUTTON" Text="Bars" Font="Big" X="0" Y="0" Width="60" Height="40" CommandID="1"/>
      <Swatch Class="CLBUTTON" ClBkGround="Red" ClText="Black" X="200" Y="0" Width="20" Height="12" CommandID="2"/>
      <Circle Class="STATIC" GraphicChar="4" ClText="Red" ClBkGround="Paper" X="230" Y="0" Width="32" Height="32" CommandID="3"/>
      <G0 Class="GEOMETRYBUTTON" Char="0" X="0" Y="50" Width="32" Height="32" CommandID="10"/>
      <G1 Class="GEOMETRYBUTTON" Char="1" X="32" Y="50" Width="32" Height="32" CommandID="11"/>
      <G2 Class="GEOMETRYBUTTON" Char="2" X="64" Y="50" Width="32" Height="32" CommandID="12"/>
      <G3 Class="GEOMETRYBUTTON" Char="3" X="96" Y="50" Width="32" Height="32" CommandID="13"/>
      <G4 Class="GEOMETRYBUTTON" Char="4" X="128" Y="50" Width="32" Height="32" CommandID="14"/>
      <G5 Class="GEOMETRYBUTTON" Char="5" X="160" Y="50" Width="32" Height="32" CommandID="15"/>
      <G6 Class="GEOMETRYBUTTON" Char="6" X="192" Y="50" Width="32" Height="32" CommandID="16"/>
      <G7 Class="GEOMETRYBUTTON" Char="7" X="224" Y="50" Width="32" Height="32" CommandID="17"/>
      <G8 Class="GEOMETRYBUTTON" Char="8" X="256" Y="50" Width="32" Height="32" CommandID="18"/>
      <Slide Class="SLIDER" ClBkGround="Paper" X="0" Y="90" Width="200" Height="20" CommandID="20"/>
    </Page>
  </Windows>
</Skin>
)";

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

class SkinControlsGallery : public skintest::SkinFixture {};

TEST_F(SkinControlsGallery, FactoryPageDrawsThroughReflection) {
  LoadSkin(kSkin);
  HWND frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"controls", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 320, 130,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(frame);
  AvlfWindow page;
  RECT rc{0, 0, 320, 130};
  ASSERT_TRUE(page.Create(nullptr, frame, &rc, L"Page"));
  // Every row of the factory made its control.
  EXPECT_NE(dynamic_cast<AvlfIconBtn*>(page.FindChildByCommandId(1)), nullptr);
  EXPECT_NE(dynamic_cast<AvlfColorButton*>(page.FindChildByCommandId(2)), nullptr);
  EXPECT_NE(dynamic_cast<AvlfStatic*>(page.FindChildByCommandId(3)), nullptr);
  for (int id = 10; id <= 18; ++id) EXPECT_NE(dynamic_cast<AvlfGeomeryBtn*>(page.FindChildByCommandId(id)), nullptr);
  auto* slider = dynamic_cast<AvlfSlider*>(page.FindChildByCommandId(20));
  ASSERT_NE(slider, nullptr);
  slider->SetPos(50);

  ::ShowWindow(frame, SW_SHOWNOACTIVATE);
  ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::GdiFlush();
  HDC windowDC = ::GetDC(frame);
  HDC memory = ::CreateCompatibleDC(windowDC);
  HBITMAP bitmap = ::CreateCompatibleBitmap(windowDC, 320, 130);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, 320, 130, windowDC, 0, 0, SRCCOPY);
  ::ReleaseDC(frame, windowDC);
  auto at = [&](int x, int y) {
    const COLORREF c = ::GetPixel(memory, x, y);
    return static_cast<unsigned>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  };
  auto count = [&](RECT box, unsigned rgb) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) n += at(x, y) == rgb;
    return n;
  };
  // The swatch: black frame, red inside.
  EXPECT_EQ(at(200, 0), 0u);
  EXPECT_EQ(at(219, 11), 0u);
  EXPECT_EQ(count(RECT{201, 1, 219, 11}, 0xFF0000), 18 * 10);
  // The icon button's text and each geometry glyph in the normal colour on grey.
  EXPECT_GT(count(RECT{0, 0, 60, 40}, 0x404040), 12);
  EXPECT_EQ(at(0, 0), 0x808080u);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(count(RECT{i * 32, 50, i * 32 + 32, 82}, 0x404040) + count(RECT{i * 32, 50, i * 32 + 32, 82}, 0x404041),
              3);
    EXPECT_EQ(at(i * 32 + 1, 51), 0x808080u);
  }
  // The static's red circle on paper, and the slider's thumb at 91.
  EXPECT_GT(count(RECT{230, 0, 262, 32}, 0xFF0000), 10);
  EXPECT_EQ(at(230 + 15, 15), 0xFFFFFFu);
  EXPECT_EQ(at(91 + 8, 90 + 9), 0x404040u);
  EXPECT_EQ(at(2, 92), 0xFFFFFFu);

  ::SelectObject(memory, old);
  CLSID png{};
  if (PngEncoder(&png)) {
    Gdiplus::Bitmap picture(bitmap, nullptr);
    EXPECT_EQ(picture.Save(L"controls_gallery.png", &png, nullptr), Gdiplus::Ok);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  page.DestroyWindow();
  ::DestroyWindow(frame);
}

// Real pointer input through the X server: hover, leaving onto a
// neighbour, and a slider drag, with the messages the system makes of it.
void PumpFor(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  while (static_cast<int>(end - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Pointer(int x, int y, DWORD buttons = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  ::SendInput(1, &input, sizeof input);
  PumpFor(150);
}

TEST_F(SkinControlsGallery, RealPointerHoverAndSliderDrag) {
  LoadSkin(kSkin);
  HWND frame = ::CreateWindowExW(0, L"STATIC", L"controls", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 320, 130, nullptr,
                                 nullptr, nullptr, nullptr);
  ASSERT_TRUE(frame);
  AvlfWindow page;
  RECT rc{0, 0, 320, 130};
  ASSERT_TRUE(page.Create(nullptr, frame, &rc, L"Page"));
  ::ShowWindow(frame, SW_SHOW);
  realinput::BringToFront(frame);
  PumpFor(100);
  auto* icon = dynamic_cast<AvlfIconBtn*>(page.FindChildByCommandId(1));
  auto* line = dynamic_cast<AvlfGeomeryBtn*>(page.FindChildByCommandId(10));
  auto* slider = dynamic_cast<AvlfSlider*>(page.FindChildByCommandId(20));
  ASSERT_TRUE(icon && line && slider);
  if (!::GetActiveWindow()) GTEST_SKIP() << "no active window under this display";

  Pointer(30, 20);
  EXPECT_TRUE(icon->IsHot());
  EXPECT_EQ(::GetCapture(), icon->m_hWnd);
  Pointer(16, 66);  // onto the geometry button: the icon lets go
  EXPECT_FALSE(icon->IsHot());
  Pointer(17, 66);
  EXPECT_TRUE(line->IsHot());
  EXPECT_EQ(::GetCapture(), line->m_hWnd);

  slider->SetPos(50);  // thumb at x 91 .. 107, y 91 .. 107
  Pointer(99, 99);
  EXPECT_TRUE(slider->m_bHot);
  Pointer(99, 99, MOUSEEVENTF_LEFTDOWN);
  EXPECT_TRUE(slider->m_bDragging);
  Pointer(150, 99);
  Pointer(150, 99, MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(slider->m_bDragging);
  EXPECT_EQ(slider->m_nThumbX, 142);
  EXPECT_EQ(slider->m_nPos, 78);  // round(100 x 142 / 183)
  Pointer(300, 125);              // over the page: the slider lets the capture go
  EXPECT_NE(::GetCapture(), slider->m_hWnd);

  page.DestroyWindow();
  ::DestroyWindow(frame);
}

}  // namespace
