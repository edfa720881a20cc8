// Prints the call texts the map host runs for a list of operations, one per input line:
//   OPERATION [LATITUDE LONGITUDE]
// e.g. "SetPos 35.679916 139.770161". The browser test of the map page feeds these texts to the page.

#include <charconv>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "map/html_map_host.h"
#include "platform/headless/recording_webview.h"

namespace {

using kemlog::map::CHtmlMapDlg;
using Operation = std::function<void(CHtmlMapDlg&, double, double)>;

const std::map<std::string, Operation>& Operations() {
  static const std::map<std::string, Operation> table = {
      {"DrawFilePathClearAll", [](CHtmlMapDlg& h, double, double) { h.DrawFilePathClearAll(); }},
      {"DrawFilePathBegin", [](CHtmlMapDlg& h, double, double) { h.DrawFilePathBegin(); }},
      {"SetCenter", [](CHtmlMapDlg& h, double a, double b) { h.SetCenter(a, b); }},
      {"PathStart", [](CHtmlMapDlg& h, double a, double b) { h.PathStart(a, b); }},
      {"DrawFilePathPlot", [](CHtmlMapDlg& h, double a, double b) { h.DrawFilePathPlot(a, b); }},
      {"DrawFilePathEnd", [](CHtmlMapDlg& h, double a, double b) { h.DrawFilePathEnd(a, b); }},
      {"MovPos", [](CHtmlMapDlg& h, double a, double b) { h.MovPos(a, b); }},
      {"SetPos", [](CHtmlMapDlg& h, double a, double b) { h.SetPos(a, b); }},
  };
  return table;
}

bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return true;  // operations without a position
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main() {
  kemlog::platform::headless::RecordingWebView view;
  CHtmlMapDlg host(view);
  host.LoadMapPage("file:///");
  std::string line;
  int number = 0;
  while (std::getline(std::cin, line)) {
    ++number;
    std::istringstream fields(line);
    std::string name, latitude, longitude;
    fields >> name >> latitude >> longitude;
    if (name.empty()) continue;
    auto found = Operations().find(name);
    double a = 0.0, b = 0.0;
    if (found == Operations().end() || !ParseNumber(latitude, a) || !ParseNumber(longitude, b)) {
      std::fprintf(stderr, "line %d: cannot run \"%s\"\n", number, line.c_str());
      return 2;
    }
    found->second(host, a, b);
  }
  for (const auto& call : view.Calls()) std::cout << call << '\n';
  return 0;
}
