// PNG decoding and encoding: every colour layout comes out as straight RGBA, bad or hostile bytes
// are refused without reading outside them, and encoded pictures decode to the same pixels.

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/picture.h"
#include "resources/program_resources.h"

namespace kemlog::platform {
namespace {

// A PNG of the given pixels in one of libpng's simple formats.
std::vector<uint8_t> Encode(int width, int height, uint32_t format, const std::vector<uint8_t>& pixels,
                            const std::vector<uint8_t>& colourMap = {}, int colours = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colours);
  png_alloc_size_t size = 0;
  const void* map = colourMap.empty() ? nullptr : colourMap.data();
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, map)) return {};
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, map)) return {};
  out.resize(size);
  return out;
}

TEST(DecodePicture, EveryColourLayoutComesOutAsStraightRgba) {
  struct Case {
    std::string name;
    std::vector<uint8_t> png;
    std::vector<uint8_t> rgba;  // the two pixels expected
  };
  const std::vector<uint8_t> map = {255, 0, 0, 255, 0, 0, 255, 64};  // red, quarter-opaque blue
  const Case cases[] = {
      {"grey", Encode(2, 1, PNG_FORMAT_GRAY, {0, 200}), {0, 0, 0, 255, 200, 200, 200, 255}},
      {"grey and alpha", Encode(2, 1, PNG_FORMAT_GA, {90, 0, 30, 128}), {90, 90, 90, 0, 30, 30, 30, 128}},
      {"rgb", Encode(2, 1, PNG_FORMAT_RGB, {1, 2, 3, 250, 251, 252}), {1, 2, 3, 255, 250, 251, 252, 255}},
      {"rgba", Encode(2, 1, PNG_FORMAT_RGBA, {1, 2, 3, 4, 5, 6, 7, 255}), {1, 2, 3, 4, 5, 6, 7, 255}},
      {"palette with alpha", Encode(2, 1, PNG_FORMAT_RGBA_COLORMAP, {1, 0}, map, 2), {0, 0, 255, 64, 255, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.png.empty()) << c.name;
    Picture picture;
    ASSERT_TRUE(DecodePicture(c.png, picture)) << c.name;
    EXPECT_EQ(picture.width, 2) << c.name;
    EXPECT_EQ(picture.height, 1) << c.name;
    EXPECT_EQ(picture.rgba, c.rgba) << c.name;
  }
}

TEST(DecodePicture, TheMarkerResourceDecodesAsAnOpaqueDiscOnTransparentGround) {
  Picture marker;
  ASSERT_TRUE(DecodePicture(resources::FindProgramResource("PNG", 196), marker));
  ASSERT_EQ(marker.width, 24);
  ASSERT_EQ(marker.height, 24);
  auto alpha = [&](int x, int y) { return marker.rgba[(static_cast<size_t>(y) * 24 + static_cast<size_t>(x)) * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(23, 23), 0);
  EXPECT_EQ(alpha(4, 11), 255);
}

// The IHDR chunk of a PNG with another size, its CRC made right again.
std::vector<uint8_t> WithSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uLong crc = crc32(0, png.data() + 12, 17);  // chunk type and data
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

TEST(DecodePicture, BadBytesAreRefusedAndLeaveThePictureEmpty) {
  std::vector<uint8_t> pixels(16 * 16 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  const std::vector<uint8_t> good = Encode(16, 16, PNG_FORMAT_RGBA, pixels);
  ASSERT_GT(good.size(), 33u);
  Picture picture;
  ASSERT_TRUE(DecodePicture(good, picture));
  EXPECT_EQ(picture.rgba, pixels);

  std::vector<uint8_t> badCrc = good;
  badCrc[30] ^= 0x01;  // IHDR's CRC
  std::vector<uint8_t> notPng = good;
  notPng[1] = 'Q';
  const std::string text = "GIF89a, certainly not a PNG";
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 8)},
      {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
      {"cut in the data", std::vector<uint8_t>(good.begin(), good.end() - 20)},
      {"header checksum wrong", badCrc},
      {"signature wrong", notPng},
      {"another format", std::vector<uint8_t>(text.begin(), text.end())},
      {"claims 100000 x 100000 pixels", WithSize(good, 100000, 100000)},
      {"claims zero width", WithSize(good, 0, 16)},
      {"claims more rows than it holds", WithSize(good, 16, 4000)},
  };
  for (const Case& c : cases) {
    picture = Picture{3, 3, std::vector<uint8_t>(36, 1)};
    EXPECT_FALSE(DecodePicture(c.bytes, picture)) << c.name;
    EXPECT_TRUE(picture.Empty()) << c.name;
    EXPECT_EQ(picture.width, 0) << c.name;
  }
}

TEST(DecodePicture, EveryPrefixOfAFileIsHandledSafely) {
  std::vector<uint8_t> pixels(9 * 5 * 4, 0x5A);
  const std::vector<uint8_t> good = Encode(9, 5, PNG_FORMAT_RGBA, pixels);
  ASSERT_FALSE(good.empty());
  for (size_t n = 0; n < good.size(); ++n) {
    // Each prefix in a buffer of its own size, so that a read past it would be caught by tools.
    std::vector<uint8_t> prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    Picture picture;
    if (DecodePicture(prefix, picture)) {
      EXPECT_EQ(picture.rgba, pixels) << n;  // only when everything needed was there
    } else {
      EXPECT_TRUE(picture.Empty()) << n;
    }
  }
}

TEST(EncodePicture, APictureComesBackPixelForPixel) {
  Picture picture{3, 2, {}};
  for (int i = 0; i < 24; ++i) picture.rgba.push_back(static_cast<uint8_t>(i * 11));
  std::vector<uint8_t> png;
  ASSERT_TRUE(EncodePicture(picture, png));
  Picture back;
  ASSERT_TRUE(DecodePicture(png, back));
  EXPECT_EQ(back, picture);
  // An inconsistent picture is not written.
  EXPECT_FALSE(EncodePicture(Picture{3, 2, std::vector<uint8_t>(23)}, png));
  EXPECT_TRUE(png.empty());
  EXPECT_FALSE(EncodePicture(Picture{}, png));
}

}  // namespace
}  // namespace kemlog::platform
