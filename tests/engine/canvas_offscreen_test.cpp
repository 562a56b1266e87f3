// A canvas needs no visible window: a Direct3D 9 device on a message-only
// window renders and reads back, which the off-screen renderer relies on.

#include <gtest/gtest.h>

#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

class CMessageOnlyHost : public win32::CWindowImpl<CMessageOnlyHost, win32::CWinTraits<0>> {
 public:
  BEGIN_MSG_MAP(CMessageOnlyHost)
  END_MSG_MAP()
};

TEST(CanvasOffscreen, DeviceOnAMessageOnlyWindowRendersAndReadsBack) {
  CMessageOnlyHost host;
  RECT rc{0, 0, 256, 256};
  ASSERT_NE(host.Create(HWND_MESSAGE, &rc, L"offscreen"), nullptr);
  EXPECT_FALSE(::IsWindowVisible(host));

  CReadBackCanvas canvas;
  ASSERT_NE(canvas.Create(nullptr, host, nullptr), nullptr);
  ASSERT_TRUE(canvas.m_pDevice);
  EXPECT_EQ(canvas.BackBufferWidth(), 256u);
  EXPECT_EQ(canvas.BackBufferHeight(), 256u);

  CDTImage doc;
  RECT docRect{0, 0, 256, 256};
  ASSERT_EQ(doc.Create(&canvas, nullptr, L"print", &docRect), S_OK);
  canvas.SetActiveImage(&doc, FALSE);
  doc.m_pRuler->m_bVisible = 0;  // only the picture
  const CPicture pic = Noise(300, 200, 21);
  doc.UploadFrame(pic.pixels.data(), pic.width, pic.height, pic.width * 4, nullptr);
  doc.SetZoomMode(1, 1.0f);
  doc.SetOffsetForTile(-40, 0);  // the renderer walks the picture tile by tile

  canvas.m_bCapture = true;
  ASSERT_EQ(canvas.Repaint(), S_OK);
  const CReadBack& rb = canvas.m_frame;
  ASSERT_EQ(rb.width, 256);
  int bad = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 256; ++x) bad += rb.At(x, y) != (pic.At(x + 40, y) & 0xFFFFFF);
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(rb.At(10, 220), 0u);

  canvas.DetachElement(&doc);
  canvas.DestroyWindow();
  host.DestroyWindow();
}

}  // namespace
