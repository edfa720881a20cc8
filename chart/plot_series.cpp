#include "chart/plot_series.h"

#include <atomic>

#include "chart/plot_axis.h"
#include "chart/plot_ctrl.h"

namespace kemlog::chart {
namespace {

uint32_t NextSeriesId() {
  static std::atomic<uint32_t> next{0};
  return next.fetch_add(1);
}

}  // namespace

CPlotSeries::CPlotSeries(CPlotCtrl* parent) : parent_(parent), id_(NextSeriesId()) {}

CPlotSeries::~CPlotSeries() {
  if (horizontal_) horizontal_->UnregisterSeries(this);
  if (vertical_) vertical_->UnregisterSeries(this);
}

void CPlotSeries::SetAxes(CPlotAxis* horizontal, CPlotAxis* vertical) {
  if (horizontal_) horizontal_->UnregisterSeries(this);
  if (vertical_) vertical_->UnregisterSeries(this);
  horizontal_ = horizontal;
  vertical_ = vertical;
  if (horizontal_) horizontal_->RegisterSeries(this);
  if (vertical_) vertical_->RegisterSeries(this);
}

void CPlotSeries::ReplaceAxis(const CPlotAxis* old, CPlotAxis* replacement) {
  if (horizontal_ == old) horizontal_ = replacement;
  if (vertical_ == old) vertical_ = replacement;
  if (replacement && (horizontal_ == replacement || vertical_ == replacement)) replacement->RegisterSeries(this);
}

void CPlotSeries::SetVisible(bool visible) {
  visible_ = visible;
  Redraw();
}

void CPlotSeries::SetColour(Colour colour) {
  colour_ = colour;
  Redraw();
}

void CPlotSeries::Redraw() const {
  if (parent_) parent_->RedrawChart();
}

}  // namespace kemlog::chart
