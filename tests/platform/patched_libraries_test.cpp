// The third-party libraries are Debian's patched sources, not plain upstream
// releases: each case shows one of Debian's patches at work in the linked copy.

#include <cstdint>
#include <vector>

#include <png.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_LCD_FILTER_H

#include <gtest/gtest.h>

namespace {

// Debian's fix for CVE-2026-22801: the simplified writer cut row strides of
// 16-bit images to 16 bits, so rows wider than 65535 bytes were read from the
// wrong place. A stride of 40000 components (80000 bytes) shows it without
// reading outside the buffer.
TEST(PatchedLibraries, LibpngWritesLinearRowsWithWideStride) {
  const int width = 2, height = 3, channels = 4;
  const ptrdiff_t stride = 40000;  // in components
  std::vector<std::uint16_t> pixels(static_cast<size_t>(stride) * height, 0);
  auto expected = [&](int x, int y, int c) -> std::uint16_t {
    return c == 3 ? 65535 : static_cast<std::uint16_t>(12000 * (y + 1) + 100 * x + c);
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) pixels[y * stride + x * channels + c] = expected(x, y, c);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_LINEAR_RGB_ALPHA;
  png_alloc_size_t size = 0;
  ASSERT_NE(png_image_write_get_memory_size(image, size, 0, pixels.data(), static_cast<png_int_32>(stride), nullptr), 0)
      << image.message;
  std::vector<unsigned char> file(size);
  ASSERT_NE(
      png_image_write_to_memory(&image, file.data(), &size, 0, pixels.data(), static_cast<png_int_32>(stride), nullptr),
      0)
      << image.message;

  png_image back{};
  back.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_memory(&back, file.data(), size), 0) << back.message;
  back.format = PNG_FORMAT_LINEAR_RGB_ALPHA;
  std::vector<std::uint16_t> decoded(PNG_IMAGE_SIZE(back) / 2);
  ASSERT_NE(png_image_finish_read(&back, nullptr, decoded.data(), 0, nullptr), 0) << back.message;
  for (int y = 0; y < height; ++y) {
    SCOPED_TRACE(testing::Message() << "row " << y);
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) EXPECT_EQ(decoded[(y * width + x) * channels + c], expected(x, y, c));
  }
}

// Debian builds FreeType with subpixel rendering; upstream's default refuses
// an LCD filter as an unimplemented feature.
TEST(PatchedLibraries, FreeTypeHasDebiansSubpixelRendering) {
  FT_Library lib;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  EXPECT_EQ(FT_Library_SetLcdFilter(lib, FT_LCD_FILTER_DEFAULT), 0);
  FT_Done_FreeType(lib);
}

}  // namespace
