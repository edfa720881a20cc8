#include "chart/plot_standard_axis.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kemlog::chart {
namespace {

bool UsableStep(double step) { return step > 0 && std::isfinite(step); }

// 10^e by repeated squaring, exact for the exponents that matter.
double PowerOfTen(int e) {
  double result = 1;
  double base = 10;
  for (unsigned k = static_cast<unsigned>(std::abs(e)); k != 0; k >>= 1) {
    if (k & 1U) result *= base;
    base *= base;
  }
  return e < 0 ? 1 / result : result;
}

// Decimals that show a step of that size: 0.25 and 0.1 need 1, 0.01 needs 2, 30 needs none.
int DecimalsFor(double step) {
  if (!UsableStep(step)) return 0;
  const double e = std::floor(std::log10(step));
  return e < 0 ? static_cast<int>(-e) : 0;
}

}  // namespace

void CPlotStandardAxis::SetManualTickStep(double step) {
  automaticTicks_ = false;
  tickStep_ = step;
  decimals_ = DecimalsFor(step);
}

double CPlotStandardAxis::FirstTickValue() const {
  return IsDiscrete() ? firstTick_ - tickStep_ : firstTick_;
}

bool CPlotStandardAxis::NextTickValue(double value, double& next) const {
  // A step that is not positive would never pass the maximum.
  if (!UsableStep(tickStep_)) return false;
  next = value + tickStep_;
  return next <= Maximum();
}

int CPlotStandardAxis::TickPixel(double value) const { return LinearValueToPixel(value); }

int CPlotStandardAxis::DiscreteValueToPixel(double value) const {
  if (!UsableStep(tickStep_)) return LinearValueToPixel(value);
  const double k = std::trunc((value + (value < 0 ? -1e-10 : 1e-10)) / tickStep_);
  return LinearValueToPixel(k * tickStep_ + tickStep_ * 0.5);
}

std::string CPlotStandardAxis::TickLabelText(double value) const {
  const int length = std::snprintf(nullptr, 0, "%.*f", decimals_, value);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals_, value);
  text.resize(static_cast<size_t>(length));
  // A tick that rounding left just below zero reads 0, not -0.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

void CPlotStandardAxis::ComputeTickStep() {
  if (Maximum() == Minimum()) {
    tickStep_ = 0;
    return;
  }
  const int n = std::abs((EndPixel() - StartPixel()) / (IsHorizontal() ? 30 : 20));
  if (n == 0) return;
  // The width of the range: a range given downwards still gets a positive step.
  const double d = std::fabs(Maximum() - Minimum()) / n;
  if (!UsableStep(d)) return;
  const int e = static_cast<int>(std::floor(std::log10(d)));
  const double g = PowerOfTen(e);
  const int h = e < 0 ? -e : 0;
  constexpr std::array<double, 3> kFactors = {1, 2, 5};
  for (const double factor : kFactors) {
    if (factor * g >= d) {
      tickStep_ = factor * g;
      decimals_ = h;
      return;
    }
  }
  tickStep_ = 10 * g;
  decimals_ = h > 0 ? h - 1 : 0;
}

void CPlotStandardAxis::ComputeFirstTick() {
  const double minimum = Minimum();
  if (!UsableStep(tickStep_)) {
    firstTick_ = minimum;
    return;
  }
  if (minimum == 0) {
    firstTick_ = 0;
    return;
  }
  // After truncation at most a step or two is missing; the bound guards against steps too small to
  // change a value this large.
  constexpr int kMaxAdjust = 4;
  double m = std::trunc(minimum / tickStep_) * tickStep_;
  if (minimum > 0) {
    for (int i = 0; i < kMaxAdjust && m < minimum; ++i) m += tickStep_;
  } else {
    for (int i = 0; i < kMaxAdjust && m > minimum; ++i) m -= tickStep_;
    if (m != minimum) m += tickStep_;
  }
  firstTick_ = m;
}

}  // namespace kemlog::chart
