#pragma once
// Description of the font of an axis title.

#include <string>

#include "platform/canvas.h"

namespace kemlog::chart {

struct SPlotFontSpec {
  std::string face = "Microsoft Sans Serif";
  int size = 100;  // tenths of a point
  bool italic = false;
  bool bold = false;
  bool underline = false;
  bool vertical = false;  // rotated to run upwards

  platform::Font ToFont() const { return {face, size, bold, italic, underline, vertical}; }
};

}  // namespace kemlog::chart
