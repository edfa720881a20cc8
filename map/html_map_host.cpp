#include "map/html_map_host.h"

#include <charconv>
#include <cmath>

#include "resources/program_resources.h"

namespace kemlog::map {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::span<const std::uint8_t> MapPageResource() { return resources::FindProgramResource("HTML", kMapPageId); }

std::span<const std::uint8_t> MarkerPictureResource() {
  return resources::FindProgramResource("PNG", kMarkerPictureId);
}

std::string FormatCoordinate(double value) {
  // Large enough for the longest fixed-notation double with six decimals.
  char text[400];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
  if (error != std::errc()) return {};
  return std::string(text, end);
}

void CHtmlMapDlg::LoadMapPage(std::string_view resourceBase) {
  auto page = MapPageResource();
  std::string_view html(reinterpret_cast<const char*>(page.data()), page.size());
  // The view takes text; the byte order mark only marks the stored resource's encoding.
  if (html.starts_with(kByteOrderMark)) html.remove_prefix(kByteOrderMark.size());
  view_.LoadHtml(html, resourceBase);
}

void CHtmlMapDlg::RunScript(std::string_view text) {
  if (!view_.HasDocument()) return;
  view_.RunScript(text);
}

void CHtmlMapDlg::DrawFilePathClearAll() { RunScript("draw_file_path_clear_all()"); }

void CHtmlMapDlg::DrawFilePathBegin() { RunScript("draw_file_path_begin()"); }

void CHtmlMapDlg::SetCenter(double latitude, double longitude) {
  CallWithPosition("set_center", latitude, longitude);
}

void CHtmlMapDlg::PathStart(double latitude, double longitude) {
  CallWithPosition("path_start", latitude, longitude);
}

void CHtmlMapDlg::DrawFilePathPlot(double latitude, double longitude) {
  CallWithPosition("draw_file_path_plot", latitude, longitude);
}

void CHtmlMapDlg::DrawFilePathEnd(double latitude, double longitude) {
  CallWithPosition("draw_file_path_end", latitude, longitude);
}

void CHtmlMapDlg::MovPos(double latitude, double longitude) { CallWithPosition("movpos", latitude, longitude); }

void CHtmlMapDlg::SetPos(double latitude, double longitude) { CallWithPosition("setpos", latitude, longitude); }

void CHtmlMapDlg::CallWithPosition(std::string_view function, double latitude, double longitude) {
  // "nan" or "inf" would make a call text that is not valid script.
  if (!std::isfinite(latitude) || !std::isfinite(longitude)) return;
  std::string text(function);
  text += '(';
  text += FormatCoordinate(latitude);
  text += ", ";
  text += FormatCoordinate(longitude);
  text += ')';
  RunScript(text);
}

}  // namespace kemlog::map
