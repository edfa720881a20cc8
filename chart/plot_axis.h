#pragma once
// An axis of the chart: maps values to pixels along one side of the plotting area and back, draws
// its line, ticks, tick labels, title and grid, and moves its range when the user pans. The spacing
// of the ticks is left to the derived kind of axis.

#include <string>
#include <vector>

#include "chart/plot_axis_label.h"
#include "chart/plot_grid.h"
#include "chart/plot_types.h"

namespace kemlog::chart {

class CPlotCtrl;
class CPlotSeries;

// How the range follows the data: not at all, over all points, or over the points that lie in the
// visible range of each series' other axis.
enum class AutoRangeMode : uint8_t { Manual = 0, Full = 1, Screen = 2 };

class CPlotAxis {
 public:
  // Bound on the ticks of one drawing, so that a tiny step cannot stall the frame.
  static constexpr int kMaxTicks = 10000;

  CPlotAxis() = default;
  virtual ~CPlotAxis() = default;
  CPlotAxis(const CPlotAxis&) = delete;
  CPlotAxis& operator=(const CPlotAxis&) = delete;

  // Set by the control when the axis takes a place.
  void Attach(CPlotCtrl* parent, bool horizontal, bool secondary);
  // Pixel span along the axis (vertical: bottom to top) and the room outside the plotting area.
  void Place(int startPixel, int endPixel, const Rect& rect);

  bool IsHorizontal() const { return horizontal_; }
  bool IsSecondary() const { return secondary_; }
  int StartPixel() const { return start_; }
  int EndPixel() const { return end_; }
  const Rect& AxisRect() const { return rect_; }

  // Range; also remembered for RestoreAxisRanges.
  void SetRange(double minimum, double maximum);
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double RememberedMinimum() const { return rememberedMinimum_; }
  double RememberedMaximum() const { return rememberedMaximum_; }
  static constexpr double kMinimumSpan = 0.001;

  void SetInverted(bool inverted);
  bool IsInverted() const { return inverted_; }
  void SetVisible(bool visible);
  bool IsVisible() const { return visible_; }
  void SetAutomaticMode(AutoRangeMode mode);
  AutoRangeMode AutomaticMode() const { return autoMode_; }
  bool HasAutomaticTicks() const { return automaticTicks_; }
  virtual void SetDiscreteMode(bool discrete);
  bool IsDiscrete() const { return discrete_; }
  // Automatic margin on: room from the title and tick label sizes; off: `margin` pixels.
  void SetAutomaticMargin(bool automatic, int margin);
  int Margin() const { return margin_; }
  void SetPanAllowed(bool allowed) { panAllowed_ = allowed; }

  void SetAxisColour(Colour colour);
  void SetTextColour(Colour colour);
  Colour AxisColour() const { return axisColour_; }
  Colour TextColour() const { return textColour_; }
  void SetTickFont(std::string face, int size);
  platform::Font TickFont() const { return {tickFontFace_, tickFontSize_}; }

  CPlotGrid& Grid() { return grid_; }
  const CPlotGrid& Grid() const { return grid_; }
  CPlotAxisLabel& Label() { return label_; }
  const CPlotAxisLabel& Label() const { return label_; }

  // Value to pixel; a range with maximum = minimum puts every value at the middle of the span.
  int ValueToPixel(double value) const;
  virtual double PixelToValue(int pixel) const;
  virtual int LinearValueToPixel(double value) const;

  virtual double FirstTickValue() const = 0;
  // The tick after `value`; false past the maximum.
  virtual bool NextTickValue(double value, double& next) const = 0;
  virtual int TickPixel(double value) const = 0;
  virtual int DiscreteValueToPixel(double value) const = 0;
  virtual std::string TickLabelText(double value) const = 0;
  virtual void ComputeTickStep() = 0;
  virtual void ComputeFirstTick() = 0;

  // Shifts the range by the value difference between two pixels, so the content follows the mouse.
  virtual void PanBy(int fromPixel, int toPixel);
  // A view range for panning and zooming: not remembered, never narrower than the minimum span,
  // nothing when panning is not allowed or the range is empty. The caller redraws.
  virtual void SetViewRange(double minimum, double maximum);

  // Largest width and largest height of the tick labels that lie on the span.
  Size MaxTickLabelSize(platform::Canvas& canvas) const;
  // Shrinks the plotting rectangle by the room of the axis inside the chart rectangle; the margin.
  int ReserveMargin(Rect& plot, platform::Canvas& canvas, const Rect& chart);
  // Axis line, title, ticks, tick labels and grid; `plot` is the plotting rectangle.
  void Draw(platform::Canvas& canvas, const Rect& plot);

  void RegisterSeries(CPlotSeries* series);
  void UnregisterSeries(CPlotSeries* series);
  const std::vector<CPlotSeries*>& AttachedSeries() const { return series_; }
  // Follows the data of the attached series in the automatic modes; nothing in manual mode.
  void RefreshAutoRange();

 protected:
  void Redraw() const;
  bool InSpan(int pixel) const;
  // Calls `visit` for each tick value from the first on: once for the minimum when the range is
  // empty, at most kMaxTicks times otherwise.
  template <typename Visit>
  void ForEachTick(Visit visit) const {
    if (maximum_ == minimum_) {
      visit(minimum_);
      return;
    }
    double value = FirstTickValue();
    visit(value);
    double next = 0;
    for (int i = 1; i < kMaxTicks && NextTickValue(value, next); ++i) {
      value = next;
      visit(value);
    }
  }

  bool automaticTicks_ = true;

 private:
  void DrawTickAt(platform::Canvas& canvas, double value, int labelWidth);
  void DrawAxisLabel(platform::Canvas& canvas, Size labelSize, int tickLabelHeight) const;

  CPlotCtrl* parent_ = nullptr;
  bool horizontal_ = true;
  bool inverted_ = false;
  AutoRangeMode autoMode_ = AutoRangeMode::Manual;
  bool visible_ = true;
  bool secondary_ = false;
  double maximum_ = 0;
  double minimum_ = 0;
  double rememberedMinimum_ = 0;
  double rememberedMaximum_ = 0;
  bool discrete_ = false;
  int start_ = 0;
  int end_ = 0;
  Rect rect_;
  int tickFontSize_ = 80;
  std::string tickFontFace_ = "Microsoft Sans Serif";
  Colour textColour_ = kBlack;
  Colour axisColour_ = kBlack;
  CPlotGrid grid_;
  CPlotAxisLabel label_;
  std::vector<CPlotSeries*> series_;
  bool automaticMargin_ = true;
  int margin_ = 0;
  bool panAllowed_ = true;
};

}  // namespace kemlog::chart
