#include "app/logo/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace corvane::app {
namespace {

std::vector<std::uint8_t> ReadLogo() {
  std::ifstream file(CORVANE_LOGO_JPEG, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(const DecodedImage& image, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                          static_cast<std::size_t>(x)) *
                         4;
  return {image.bgrx[at + 2], image.bgrx[at + 1], image.bgrx[at]};
}

TEST(Logo, DecodesToItsSizeAndColours) {
  const std::vector<std::uint8_t> jpeg = ReadLogo();
  ASSERT_FALSE(jpeg.empty()) << "cannot read " << CORVANE_LOGO_JPEG;
  DecodedImage image;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), image, error)) << error;
  EXPECT_EQ(image.width, 137);
  EXPECT_EQ(image.height, 129);
  ASSERT_EQ(image.bgrx.size(), 137u * 129u * 4u);

  // Landmarks of the artwork, as ImageMagick reads them from the same file.
  struct Landmark {
    const char* name;
    int x, y;
    Rgb rgb;
  };
  const Landmark landmarks[] = {
      {"top left background", 2, 2, {15, 43, 93}},
      {"centre, behind the label", 68, 60, {12, 31, 73}},
      {"inside the first page", 20, 25, {33, 69, 131}},
      {"the arrow", 55, 16, {169, 196, 241}},
      {"bottom right wave", 130, 125, {9, 32, 73}},
  };
  for (const Landmark& l : landmarks) {
    SCOPED_TRACE(l.name);
    const Rgb got = PixelAt(image, l.x, l.y);
    EXPECT_LE(std::abs(got.r - l.rgb.r), 3);
    EXPECT_LE(std::abs(got.g - l.rgb.g), 3);
    EXPECT_LE(std::abs(got.b - l.rgb.b), 3);
  }
}

TEST(Logo, IsDarkBlueWhereTheWhiteTextsGo) {
  const std::vector<std::uint8_t> jpeg = ReadLogo();
  DecodedImage image;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), image, error)) << error;
  // Below the small picture at the top: the labels and the item text.
  int not_dark_blue = 0;
  for (int y = 32; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = PixelAt(image, x, y);
      if (!(p.b > p.r && p.b > p.g && std::max({p.r, p.g, p.b}) < 110)) ++not_dark_blue;
    }
  }
  EXPECT_EQ(not_dark_blue, 0);
}

TEST(Logo, RefusesWhatIsNoPicture) {
  const std::vector<std::uint8_t> logo = ReadLogo();
  ASSERT_GT(logo.size(), 200u);
  std::vector<std::uint8_t> huge = logo;
  // The frame header's height and width, raised beyond the limit.
  const std::uint8_t frame_marker[] = {0xFF, 0xC0};
  const auto sof =
      std::search(huge.begin(), huge.end(), std::begin(frame_marker), std::end(frame_marker));
  ASSERT_NE(sof, huge.end());
  sof[5] = sof[7] = 0xEA;  // 60,000 pixels a side
  sof[6] = sof[8] = 0x60;

  struct BadCase {
    const char* name;
    std::vector<std::uint8_t> data;
  };
  const BadCase cases[] = {
      {"no bytes", {}},
      {"text", {'h', 't', 'm', 'l', '<', '>'}},
      {"only the start marker", {0xFF, 0xD8}},
      {"the header cut short", std::vector<std::uint8_t>(logo.begin(), logo.begin() + 100)},
      {"a size beyond the limit", huge},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedImage image;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(c.data.data(), c.data.size(), image, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.bgrx.empty());
  }
}

}  // namespace
}  // namespace corvane::app
