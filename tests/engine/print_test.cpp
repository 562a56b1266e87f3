// The off-screen renderer: a project file rendered tile by tile on its
// message-only window equals the picture it holds.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/Print.h"
#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

TEST(Print, NoisePicturesComeOutAsThePicture) {
  const struct { int width, height; } sizes[] = {{300, 200}, {700, 520}};
  for (const auto& size : sizes) {
    const std::string stem = "print_" + std::to_string(size.width) + "x" + std::to_string(size.height);
    SCOPED_TRACE(stem);
    const std::wstring project(stem.begin(), stem.end());
    const CPicture picture = Noise(size.width, size.height, static_cast<uint32_t>(size.width));
    {
      CCanvasScene scene;
      ASSERT_TRUE(scene.Ready());
      scene.Show(picture);
      ASSERT_TRUE(scene.m_document.SaveFile((project + L".prj").c_str()));
    }
    CCanvasScene source(64, 64, false);
    auto print = std::make_unique<CDTPrint>();
    ASSERT_NE(print->Create(&source.m_canvas, (project + L".prj").c_str(), (project + L".bmp").c_str(), 0), nullptr);
    EXPECT_FALSE(::IsWindowVisible(print->m_hWnd));
    EXPECT_EQ(print->BackBufferWidth(), 256u);
    EXPECT_EQ(print->m_nTilesAcross, (size.width + 255) / 256);
    EXPECT_EQ(print->m_nTilesDown, (size.height + 255) / 256);
    ASSERT_TRUE(print->Render());
    print->DestroyWindow();
    print.reset();

    ZEvuvoro::CImage out;
    ASSERT_TRUE(out.LoadFile((project + L".bmp").c_str()));
    ASSERT_EQ(out.GetWidth(), size.width);
    ASSERT_EQ(out.GetHeight(), size.height);
    int bad = 0;
    for (int y = 0; y < size.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(out.GetData() + static_cast<ptrdiff_t>(y) * out.GetStride());
      for (int x = 0; x < size.width; ++x) bad += (row[x] & 0xFFFFFF) != (picture.At(x, y) & 0xFFFFFF);
    }
    EXPECT_EQ(bad, 0);
    std::ofstream frame(stem + "_frame.bin", std::ios::binary);
    frame.write(reinterpret_cast<const char*>(picture.pixels.data()),
                static_cast<std::streamsize>(picture.pixels.size() * 4));
  }
}

TEST(Print, AnUnreadablePicturePartGivesNoWindow) {
  {
    std::ofstream bad("print_bad.prj", std::ios::binary);
    const char junk[] = "BM\x10\x00\x00\x00garbage that is no bitmap";
    bad.write(junk, sizeof junk);
  }
  CCanvasScene source(64, 64, false);
  CDTPrint print;
  EXPECT_EQ(print.Create(&source.m_canvas, L"print_bad.prj", L"print_bad.bmp", 0), nullptr);
  EXPECT_EQ(print.Create(&source.m_canvas, L"no such project.prj", L"print_bad.bmp", 0), nullptr);
  EXPECT_FALSE(print.Render());
  EXPECT_EQ(::GetFileAttributesW(L"print_bad.bmp"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
