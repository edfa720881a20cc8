#pragma once
// Small types shared by the chart control, its axes and its series.

#include <array>
#include <cstdint>

#include "platform/canvas.h"

namespace kemlog::chart {

using platform::Colour;
using platform::Point;
using platform::Rect;
using platform::Rgb;
using platform::Size;

// The four places of an axis around the plotting area, used as indexes.
enum class PlotAxisPosition : uint8_t { Left = 0, Bottom = 1, Right = 2, Top = 3 };
inline constexpr int kAxisPositions = 4;

constexpr bool IsHorizontal(PlotAxisPosition position) {
  return position == PlotAxisPosition::Bottom || position == PlotAxisPosition::Top;
}
constexpr bool IsSecondary(PlotAxisPosition position) {
  return position == PlotAxisPosition::Right || position == PlotAxisPosition::Top;
}

// Mouse events as the series and their listeners see them.
enum class PlotMouseEvent : uint8_t {
  MouseMove = 0,
  LButtonUp = 1,
  LButtonDown = 2,
  LButtonDoubleClick = 3,
  RButtonUp = 4,
  RButtonDown = 5,
  RButtonDoubleClick = 6,
};

enum class MouseButton : uint8_t { Left, Right };

// Colours given to new series in turn.
inline constexpr std::array<Colour, 10> kSeriesPalette = {
    Rgb(255, 0, 0),   Rgb(0, 150, 0),   Rgb(0, 0, 255),   Rgb(255, 255, 0),   Rgb(0, 255, 255),
    Rgb(255, 128, 0), Rgb(128, 0, 128), Rgb(128, 128, 0), Rgb(255, 0, 255), Rgb(64, 128, 128),
};

inline constexpr Colour kBlack = Rgb(0, 0, 0);
inline constexpr Colour kWhite = Rgb(255, 255, 255);
// The system's button-face colour, the control's background until the program sets one.
inline constexpr Colour kButtonFace = Rgb(240, 240, 240);

}  // namespace kemlog::chart
