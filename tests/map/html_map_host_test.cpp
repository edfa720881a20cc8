// Tests of the map host: the call texts it runs in the page, the calls it drops, and the resources
// compiled into it.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "map/html_map_host.h"
#include "platform/headless/recording_webview.h"

namespace kemlog::map {
namespace {

using platform::headless::RecordingWebView;

constexpr char kBase[] = "res://kemlog.exe/23/";

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MapHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.LoadMapPage(kBase);
    ASSERT_TRUE(view.HasDocument());
  }
  RecordingWebView view;
  CHtmlMapDlg host{view};
};

struct CallCase {
  const char* name;
  std::function<void(CHtmlMapDlg&)> call;
  const char* text;
};

TEST_F(MapHostTest, EachOperationRunsItsCallText) {
  const std::vector<CallCase> cases = {
      {"SetPos", [](CHtmlMapDlg& h) { h.SetPos(35.679916, 139.770161); }, "setpos(35.679916, 139.770161)"},
      {"MovPos", [](CHtmlMapDlg& h) { h.MovPos(35.6812, 139.7671); }, "movpos(35.681200, 139.767100)"},
      {"SetCenter", [](CHtmlMapDlg& h) { h.SetCenter(-33.8688197, 151.2092957); },
       "set_center(-33.868820, 151.209296)"},
      {"PathStart", [](CHtmlMapDlg& h) { h.PathStart(51.4778, -0.0015); }, "path_start(51.477800, -0.001500)"},
      {"DrawFilePathPlot", [](CHtmlMapDlg& h) { h.DrawFilePathPlot(-22.9519, -43.2105); },
       "draw_file_path_plot(-22.951900, -43.210500)"},
      {"DrawFilePathEnd", [](CHtmlMapDlg& h) { h.DrawFilePathEnd(0.0, 180.0); },
       "draw_file_path_end(0.000000, 180.000000)"},
      {"DrawFilePathClearAll", [](CHtmlMapDlg& h) { h.DrawFilePathClearAll(); }, "draw_file_path_clear_all()"},
      {"DrawFilePathBegin", [](CHtmlMapDlg& h) { h.DrawFilePathBegin(); }, "draw_file_path_begin()"},
  };
  for (const auto& c : cases) {
    view.ClearCalls();
    c.call(host);
    EXPECT_EQ(view.Calls(), std::vector<std::string>{c.text}) << c.name;
  }
}

TEST_F(MapHostTest, CallsReachThePageInTheOrderMade) {
  host.DrawFilePathClearAll();
  host.DrawFilePathBegin();
  host.SetCenter(35.0, 139.0);
  host.PathStart(35.0, 139.0);
  host.DrawFilePathPlot(35.0, 139.0);
  host.DrawFilePathPlot(35.000001, 139.000002);
  host.DrawFilePathEnd(35.000001, 139.000002);
  EXPECT_EQ(view.Calls(), (std::vector<std::string>{
                              "draw_file_path_clear_all()",
                              "draw_file_path_begin()",
                              "set_center(35.000000, 139.000000)",
                              "path_start(35.000000, 139.000000)",
                              "draw_file_path_plot(35.000000, 139.000000)",
                              "draw_file_path_plot(35.000001, 139.000002)",
                              "draw_file_path_end(35.000001, 139.000002)",
                          }));
}

TEST_F(MapHostTest, RunScriptPassesTheTextUnchanged) {
  host.RunScript("set_center(1, 2); movpos(3, 4)");
  EXPECT_EQ(view.Calls(), std::vector<std::string>{"set_center(1, 2); movpos(3, 4)"});
}

struct FormatCase {
  double value;
  const char* text;
};

TEST(MapFormatCoordinate, PrintsSixDecimalsRoundedAsPrintfDoes) {
  const FormatCase cases[] = {
      {35.679916, "35.679916"},
      {139.770161, "139.770161"},
      {35.6799164, "35.679916"},
      {139.7701616, "139.770162"},
      {-35.6799164, "-35.679916"},
      {-139.7701616, "-139.770162"},
      {0.9999996, "1.000000"},         // the rounding carries into the whole degrees
      {-0.9999996, "-1.000000"},
      {0.0078125, "0.007812"},         // exactly half way (1/128): ties go to the even digit
      {0.0234375, "0.023438"},         // 3/128
      {0.0, "0.000000"},
      {-0.0000004, "-0.000000"},
      {1e-7, "0.000000"},
      {-180.0, "-180.000000"},
      {123456789.25, "123456789.250000"},
      {1e21, "1000000000000000000000.000000"},  // fixed notation, never an exponent
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCoordinate(c.value), c.text) << c.text;
}

TEST(MapFormatCoordinate, AgreesWithPrintfOverManyCoordinates) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> degrees(-180.0, 180.0);
  for (int i = 0; i < 20000; ++i) {
    double value = degrees(random);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%f", value);
    ASSERT_EQ(FormatCoordinate(value), expected) << "value " << value;
  }
}

TEST(MapFormatCoordinate, HugeValuesPrintInFull) {
  double largest = std::numeric_limits<double>::max();
  std::string text = FormatCoordinate(-largest);
  ASSERT_EQ(text.size(), 1 + 309 + 1 + 6);
  EXPECT_EQ(text.substr(0, 6), "-17976");
  EXPECT_EQ(text.substr(text.size() - 7), ".000000");
}

// A numeric format of the program's locale with a decimal comma.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST_F(MapHostTest, DecimalPointIsAFullStopWhateverTheLocale) {
  std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  host.SetPos(35.679916, 1139.770161);
  std::locale::global(previous);
  EXPECT_EQ(view.Calls(), std::vector<std::string>{"setpos(35.679916, 1139.770161)"});
}

TEST(MapHostDocument, CallsBeforeAnyPageAreDropped) {
  RecordingWebView view;
  CHtmlMapDlg host(view);
  host.DrawFilePathClearAll();
  host.DrawFilePathBegin();
  host.SetCenter(35.0, 139.0);
  host.PathStart(35.0, 139.0);
  host.DrawFilePathPlot(35.0, 139.0);
  host.DrawFilePathEnd(35.0, 139.0);
  host.MovPos(35.0, 139.0);
  host.SetPos(35.0, 139.0);
  host.RunScript("set_center(0, 0)");
  EXPECT_TRUE(view.Calls().empty());
}

TEST(MapHostDocument, CallsWhileThePageLoadsAreDroppedNotQueued) {
  RecordingWebView view;
  view.SetLoadsPending(true);
  CHtmlMapDlg host(view);
  host.LoadMapPage(kBase);
  host.MovPos(35.0, 139.0);
  host.SetPos(35.5, 139.5);
  EXPECT_TRUE(view.Calls().empty());

  view.SetDocumentExists(true);
  host.SetCenter(36.0, 140.0);
  EXPECT_EQ(view.Calls(), std::vector<std::string>{"set_center(36.000000, 140.000000)"});

  // Loading the page again: until the new document exists, calls are dropped once more.
  host.LoadMapPage(kBase);
  host.MovPos(1.0, 2.0);
  EXPECT_EQ(view.Calls().size(), 1u);
  EXPECT_EQ(view.Loads().size(), 2u);
}

TEST_F(MapHostTest, PositionsThatAreNotFiniteAreNotSent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  host.SetPos(nan, 139.0);
  host.MovPos(35.0, nan);
  host.SetCenter(inf, 139.0);
  host.PathStart(35.0, -inf);
  host.DrawFilePathPlot(nan, nan);
  host.DrawFilePathEnd(-inf, inf);
  EXPECT_TRUE(view.Calls().empty());
  host.DrawFilePathPlot(35.0, 139.0);
  EXPECT_EQ(view.Calls(), std::vector<std::string>{"draw_file_path_plot(35.000000, 139.000000)"});
}

TEST(MapResources, CompiledInBytesEqualTheResourceFiles) {
  auto page = MapPageResource();
  auto picture = MarkerPictureResource();
  EXPECT_EQ(std::vector<std::uint8_t>(page.begin(), page.end()),
            ReadFile(KEMLOG_RESOURCES_DIR "/map_page.html"));
  EXPECT_EQ(std::vector<std::uint8_t>(picture.begin(), picture.end()),
            ReadFile(KEMLOG_RESOURCES_DIR "/marker_196.png"));
}

TEST(MapResources, PageIsUtf8WithByteOrderMarkAndCrLfLines) {
  auto page = MapPageResource();
  std::string text(page.begin(), page.end());
  ASSERT_GT(text.size(), 3u);
  EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(text.substr(3, 17), "<!DOCTYPE html>\r\n");
  size_t lines = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    ++lines;
    EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
  }
  EXPECT_EQ(text.find('\r', text.size() - 2), text.size() - 2) << "the last line ends with CR LF";
  EXPECT_GT(lines, 20u);
}

TEST(MapResources, MarkerPictureIs24By24EightBitRgba) {
  auto png = MarkerPictureResource();
  ASSERT_GE(png.size(), 33u);
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), png.begin()));
  auto be32 = [&](size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
           (std::uint32_t{png[at + 2]} << 8) | std::uint32_t{png[at + 3]};
  };
  EXPECT_EQ(be32(8), 13u);  // IHDR length
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  EXPECT_EQ(be32(16), 24u);  // width
  EXPECT_EQ(be32(20), 24u);  // height
  EXPECT_EQ(png[24], 8);     // bit depth
  EXPECT_EQ(png[25], 6);     // colour type: RGBA
  EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
}

TEST(MapHostLoad, HandsThePageTextWithoutByteOrderMarkAndTheBase) {
  RecordingWebView view;
  CHtmlMapDlg host(view);
  host.LoadMapPage("qrc:/kemlog/");
  ASSERT_EQ(view.Loads().size(), 1u);
  auto page = MapPageResource();
  EXPECT_EQ(view.Loads()[0].html, std::string(page.begin() + 3, page.end()));
  EXPECT_EQ(view.Loads()[0].baseUrl, "qrc:/kemlog/");
  EXPECT_TRUE(view.HasDocument());
}

}  // namespace
}  // namespace kemlog::map
