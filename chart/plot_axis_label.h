#pragma once
// The title of an axis: one line of text beside the tick labels, turned upwards on a vertical axis.

#include <string>

#include "chart/plot_font_spec.h"
#include "chart/plot_types.h"

namespace kemlog::chart {

class CPlotCtrl;

class CPlotAxisLabel {
 public:
  void SetParent(CPlotCtrl* parent) { parent_ = parent; }
  // Also turns the font: a vertical axis's title runs upwards.
  void SetHorizontal(bool horizontal);

  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  Colour GetColour() const { return colour_; }
  void SetColour(Colour colour);
  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible);
  const SPlotFontSpec& Font() const { return font_; }
  void SetFont(const SPlotFontSpec& font);

  // Room of the title with 2 pixels on each side, (0, 0) when hidden or empty. On a vertical axis
  // width and height are those of the turned text.
  Size LabelSize(platform::Canvas& canvas) const;
  // Draws the title in its room whose top-left corner is `at`.
  void Draw(platform::Canvas& canvas, Point at) const;

 private:
  CPlotCtrl* parent_ = nullptr;
  bool visible_ = true;
  Colour colour_ = kBlack;
  bool horizontal_ = true;
  SPlotFontSpec font_;
  std::string text_;
};

}  // namespace kemlog::chart
