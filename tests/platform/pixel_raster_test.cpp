// The headless canvas's pixels: blending, the colour matrix, stretching, clipping and copies.

#include <gtest/gtest.h>

#include <limits>

#include "platform/headless/pixel_raster.h"
#include "platform/headless/recording_canvas.h"

namespace kemlog::platform::headless {
namespace {

std::string Show(Rgba c) {
  return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + " " + std::to_string(c.a);
}

TEST(PixelRaster, BlendingOnePixel) {
  struct Case {
    Rgba back, front, out;
  };
  const Case cases[] = {
      {{10, 20, 30, 255}, {200, 100, 50, 0}, {10, 20, 30, 255}},      // transparent: background
      {{10, 20, 30, 255}, {200, 100, 50, 255}, {200, 100, 50, 255}},  // opaque: picture
      {{0, 0, 0, 255}, {255, 255, 255, 128}, {128, 128, 128, 255}},   // half over black
      {{100, 200, 0, 255}, {200, 0, 100, 64}, {125, 150, 25, 255}},   // a quarter
      {{0, 0, 0, 0}, {40, 50, 60, 100}, {40, 50, 60, 100}},           // over nothing: itself
      {{0, 0, 0, 0}, {40, 50, 60, 0}, {0, 0, 0, 0}},                  // nothing over nothing
      {{0, 0, 255, 128}, {255, 0, 0, 128}, {170, 0, 85, 192}},        // both half
  };
  for (const Case& c : cases) EXPECT_EQ(Show(BlendPixel(c.back, c.front)), Show(c.out));
}

TEST(PixelRaster, TheBrighteningMatrixMultipliesByOnePointZeroFiveAndAddsAFiftiethOfFullScale) {
  ColourMatrix bright = ColourMatrix::Identity();
  for (int i = 0; i < 3; ++i) {
    bright.m[i][i] = 1.05f;
    bright.m[4][i] = 0.05f;
  }
  struct Case {
    uint8_t in;
    uint8_t out;  // round(1.05 x in + 12.75), at most 255
  };
  const Case cases[] = {{0, 13}, {1, 14}, {10, 23}, {100, 118}, {128, 147}, {200, 223}, {230, 254}, {231, 255}, {255, 255}};
  for (const Case& c : cases) {
    const Rgba out = ApplyMatrix({c.in, c.in, c.in, 77}, bright);
    EXPECT_EQ(Show(out), Show({c.out, c.out, c.out, 77})) << int(c.in);
  }
  // A matrix that swaps red and blue and halves alpha.
  ColourMatrix swap{};
  swap.m[0][2] = swap.m[2][0] = swap.m[1][1] = 1.0f;
  swap.m[3][3] = 0.5f;
  EXPECT_EQ(Show(ApplyMatrix({10, 20, 30, 200}, swap)), Show({30, 20, 10, 100}));
}

Picture Pixels(int width, int height, std::vector<uint8_t> rgba) { return Picture{width, height, std::move(rgba)}; }

TEST(PixelRaster, PicturesAreStretchedByNearestPixelAndClipped) {
  PixelRaster raster(6, 2);
  // Black then white, 2 x 1, stretched over 4 x 2 at x 1; the clip cuts off the last column.
  raster.DrawPicture({1, 0, 5, 2}, Pixels(2, 1, {0, 0, 0, 255, 255, 255, 255, 255}), ColourMatrix::Identity(),
                     Rect{0, 0, 4, 2});
  const int expected[] = {-1, 0, 0, 255, -1, -1};  // -1: untouched (transparent)
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) {
      const Rgba p = *raster.At(x, y);
      if (expected[x] < 0) {
        EXPECT_EQ(p, Rgba{}) << x;
      } else {
        EXPECT_EQ(p, (Rgba{uint8_t(expected[x]), uint8_t(expected[x]), uint8_t(expected[x]), 255})) << x << "," << y;
      }
    }
  }
  // Inconsistent pictures, empty targets and targets off the raster draw nothing and stay inside.
  PixelRaster blank(3, 3);
  blank.DrawPicture({0, 0, 3, 3}, Pixels(2, 2, std::vector<uint8_t>(15, 255)), ColourMatrix::Identity(), {});
  blank.DrawPicture({2, 2, 2, 5}, Pixels(1, 1, {1, 1, 1, 255}), ColourMatrix::Identity(), {});
  blank.DrawPicture({-100, -100, 1000, 1000}, Pixels(1, 1, {1, 1, 1, 255}), ColourMatrix::Identity(), Rect{5, 5, 9, 9});
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(*blank.At(x, y), Rgba{});
  }
  EXPECT_FALSE(blank.At(3, 0));
  EXPECT_FALSE(blank.At(0, -1));
}

TEST(PixelRaster, ReadingAnAreaOutsideTheRasterGivesTransparentPixels) {
  PixelRaster raster(2, 2);
  raster.Fill({0, 0, 2, 2}, {5, 6, 7, 255}, {});
  const Picture part = raster.Read({1, 1, 3, 3});
  ASSERT_TRUE(part.Valid());
  EXPECT_EQ(part.width, 2);
  EXPECT_EQ(std::vector<uint8_t>(part.rgba.begin(), part.rgba.begin() + 8), (std::vector<uint8_t>{5, 6, 7, 255, 0, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(part.rgba.begin() + 8, part.rgba.end()), std::vector<uint8_t>(8, 0));
  EXPECT_TRUE(raster.Read({0, 0, 0, 4}).Empty());
}

TEST(PixelRaster, ASurfaceTooLargeToHoldKeepsNoPixels) {
  PixelRaster huge(100000, 100000);
  EXPECT_EQ(huge.Width(), 0);
  huge.Fill({0, 0, 100000, 100000}, {1, 2, 3, 255}, {});
  EXPECT_FALSE(huge.At(0, 0));
  EXPECT_TRUE(huge.Read({0, 0, 2, 2}).Valid());  // transparent: nothing there
}

TEST(PixelRaster, RectanglesAtTheEndsOfTheIntRangeStayInside) {
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  PixelRaster raster(4, 4);
  const Picture dot{1, 1, {9, 9, 9, 255}};
  raster.DrawPicture({kMin, kMin, kMax, kMax}, dot, ColourMatrix::Identity(), {});
  EXPECT_EQ(*raster.At(3, 3), (Rgba{9, 9, 9, 255}));  // the whole raster lies inside the target
  raster.Copy(Picture{2, 2, std::vector<uint8_t>(16, 1)}, {kMax, kMax}, {});
  raster.BlendOver(Picture{2, 2, std::vector<uint8_t>(16, 1)}, {kMax - 1, kMin});
  EXPECT_EQ(*raster.At(0, 0), (Rgba{9, 9, 9, 255}));
  EXPECT_TRUE(raster.Read({kMin, kMin, kMax, kMax}).Empty());  // too large to hold
  EXPECT_TRUE(raster.Read({kMin, 0, kMin + 2, 2}).Valid());
}

TEST(RecordingCanvas, FillsPicturesAndSurfaceCopiesReachThePixels) {
  RecordingCanvas canvas(8, 4);
  canvas.FillRect({0, 0, 8, 4}, Rgb(10, 20, 30));
  auto surface = canvas.CreateSurface(2, 2);
  ASSERT_NE(surface, nullptr);
  surface->DrawPicture({0, 0, 2, 2}, Pixels(1, 1, {200, 0, 0, 255}));
  canvas.PushClip({0, 0, 7, 4});
  canvas.CopySurface(*surface, {6, 1});
  canvas.PopClip();
  canvas.DrawLine({0, 0}, {7, 0}, Pen{});  // recorded only
  EXPECT_EQ(canvas.PixelAt(6, 1), (Rgba{200, 0, 0, 255}));
  EXPECT_EQ(canvas.PixelAt(6, 2), (Rgba{200, 0, 0, 255}));
  EXPECT_EQ(canvas.PixelAt(7, 1), (Rgba{10, 20, 30, 255}));  // clipped
  EXPECT_EQ(canvas.PixelAt(5, 1), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(canvas.PixelAt(3, 0), (Rgba{10, 20, 30, 255}));
  ASSERT_EQ(canvas.Pictures().size(), 1u);
  EXPECT_EQ(canvas.Pictures()[0].surface, 1);
}

}  // namespace
}  // namespace kemlog::platform::headless
