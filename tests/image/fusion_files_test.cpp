// Fuses the focus series and small pictures that fusion_files_fixture.py made,
// and writes the results for fusion_files_check.py, which compares them with
// enfuse and with a model of the engine.

#include "image/fusion/FusionImage.h"
#include "tests/common/bmp24_file.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Each line of the list: result file, power-of-two padding, input files.
TEST(FusionFiles, FuseListedSeries) {
  std::ifstream list("fusion_series.txt");
  if (!list) GTEST_SKIP() << "fusion_series.txt is made by fusion_files_fixture.py";
  std::string line;
  int fused = 0;
  while (std::getline(list, line)) {
    std::istringstream fields(line);
    std::string output, input;
    int powerOfTwo = 0;
    if (!(fields >> output >> powerOfTwo)) continue;
    SCOPED_TRACE(output);
    std::vector<Bmp24Picture> pictures;
    while (fields >> input) {
      pictures.emplace_back();
      ASSERT_TRUE(ReadBmp24(input, pictures.back())) << input;
    }
    ASSERT_FALSE(pictures.empty());
    const int width = pictures[0].width, height = pictures[0].height;
    CGPUFusionImage* fusion = CreateFusionImage(width, height, powerOfTwo);
    ASSERT_NE(fusion, nullptr);
    for (const auto& picture : pictures) {
      ASSERT_EQ(picture.width, width);
      ASSERT_EQ(picture.height, height);
      EXPECT_TRUE(FusionAddImage(fusion, 24, picture.rows.data()));
    }
    Bmp24Picture result = pictures[0];
    EXPECT_TRUE(FusionGetResult(fusion, 24, result.rows.data()));
    DestroyFusionImage(fusion);
    EXPECT_TRUE(WriteBmp24(output, result));
    ++fused;
  }
  EXPECT_GT(fused, 0);
}

}  // namespace
