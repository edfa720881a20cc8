#pragma once
// The map host: drives the map page (resource 153) in a web view through script calls. The rest of
// the program never touches the page's document; it calls the eight operations below, each of which
// formats one call text of the page's script and runs it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/webview.h"

namespace kemlog::map {

// The map page as stored: UTF-8 with a byte order mark, CR LF line ends.
constexpr int kMapPageId = 153;
constexpr int kMarkerPictureId = 196;
std::span<const std::uint8_t> MapPageResource();
// The moving marker's picture (resource 196): a 24 x 24 RGBA PNG, which the page names "196".
std::span<const std::uint8_t> MarkerPictureResource();

// "%f" of a value: fixed notation, six decimals, "." as decimal point whatever the locale.
std::string FormatCoordinate(double value);

class CHtmlMapDlg {
 public:
  explicit CHtmlMapDlg(platform::WebView& view) : view_(view) {}

  // Hands the map page to the view. `resourceBase` is the address the page's relative addresses
  // resolve against, so that "196" reaches the marker picture. Loading again resets the page.
  void LoadMapPage(std::string_view resourceBase);

  // Runs one call text in the page. Calls made before the page's document exists are dropped.
  void RunScript(std::string_view text);

  void DrawFilePathClearAll();
  void DrawFilePathBegin();
  void SetCenter(double latitude, double longitude);
  void PathStart(double latitude, double longitude);
  void DrawFilePathPlot(double latitude, double longitude);
  void DrawFilePathEnd(double latitude, double longitude);
  void MovPos(double latitude, double longitude);
  void SetPos(double latitude, double longitude);

 private:
  // Runs "function(latitude, longitude)"; a position that is not a finite number is not sent.
  void CallWithPosition(std::string_view function, double latitude, double longitude);

  platform::WebView& view_;
};

}  // namespace kemlog::map
