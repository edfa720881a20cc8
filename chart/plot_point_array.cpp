#include "chart/plot_point_array.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kemlog::chart {
namespace {

// Ascending with NaN after every number, a strict weak order even for bad input.
bool KeyLess(double a, double b) { return a < b || (std::isnan(b) && !std::isnan(a)); }

}  // namespace

CPlotPointArray::CPlotPointArray()
    : buffer_(std::make_unique_for_overwrite<SPlotXYPoint[]>(kGrowthStep)), capacity_(kGrowthStep) {}

bool CPlotPointArray::Assign(std::span<const double> xs, std::span<const double> ys) {
  if (xs.size() != ys.size() || xs.size() > std::numeric_limits<uint32_t>::max()) return false;
  const auto n = static_cast<uint32_t>(xs.size());
  if (n > capacity_) {
    buffer_.reset();
    buffer_ = std::make_unique_for_overwrite<SPlotXYPoint[]>(n);
    capacity_ = n;
  }
  for (uint32_t i = 0; i < n; ++i) buffer_[i] = {xs[i], ys[i]};
  count_ = n;
  Sort();
  ComputeBounds();
  return true;
}

void CPlotPointArray::Clear() {
  buffer_.reset();
  buffer_ = std::make_unique_for_overwrite<SPlotXYPoint[]>(growthStep_);
  capacity_ = growthStep_;
  count_ = 0;
}

void CPlotPointArray::SetOrdering(PointOrdering ordering) {
  ordering_ = ordering;
  Sort();
}

void CPlotPointArray::Sort() {
  if (ordering_ == PointOrdering::None) return;
  const bool byY = ordering_ == PointOrdering::ByY;
  const auto less = [byY](const SPlotXYPoint& a, const SPlotXYPoint& b) {
    return byY ? KeyLess(a.y, b.y) : KeyLess(a.x, b.x);
  };
  SPlotXYPoint* begin = buffer_.get();
  // Tracks arrive in order; checking first saves the sort and its buffer.
  if (!std::is_sorted(begin, begin + count_, less)) std::stable_sort(begin, begin + count_, less);
}

void CPlotPointArray::ComputeBounds() {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  minX_ = minY_ = kInf;
  maxX_ = maxY_ = -kInf;
  for (uint32_t i = 0; i < count_; ++i) {
    const SPlotXYPoint& p = buffer_[i];
    if (p.x < minX_) minX_ = p.x;
    if (p.x > maxX_) maxX_ = p.x;
    if (p.y < minY_) minY_ = p.y;
    if (p.y > maxY_) maxY_ = p.y;
  }
}

}  // namespace kemlog::chart
