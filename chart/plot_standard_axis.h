#pragma once
// The numeric axis: evenly spaced ticks at multiples of a step, labelled in fixed-point notation.

#include <string>

#include "chart/plot_axis.h"

namespace kemlog::chart {

class CPlotStandardAxis : public CPlotAxis {
 public:
  // Fixes the tick step and turns automatic ticks off; the labels get as many decimals as the step
  // needs (0.25 gives 1). No redraw.
  void SetManualTickStep(double step);
  double TickStep() const { return tickStep_; }
  int Decimals() const { return decimals_; }
  double FirstTick() const { return firstTick_; }

  double FirstTickValue() const override;
  bool NextTickValue(double value, double& next) const override;
  int TickPixel(double value) const override;
  int DiscreteValueToPixel(double value) const override;
  std::string TickLabelText(double value) const override;
  // A step of 1, 2 or 5 times a power of ten that leaves at least 30 pixels (horizontal) or 20
  // (vertical) between ticks.
  void ComputeTickStep() override;
  // The smallest multiple of the step that is not below the minimum.
  void ComputeFirstTick() override;

 private:
  double firstTick_ = 0.0;
  double tickStep_ = 1.0;
  int decimals_ = 0;
};

}  // namespace kemlog::chart
