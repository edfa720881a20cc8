// The log data page with the graph panel on its chart control: an opened log fills the graph, and
// a mouse click on a plotted point, through the toolkit's control, moves the map's selection marker.

#include <gtest/gtest.h>

#include "tests/viewer/log_page_fixture.h"
#include "viewer/graph_panel.h"

namespace kemlog::viewer::testing {
namespace {

class GraphWiringTest : public LogPageTest {
 protected:
  void RunWithPanel(const std::function<void(CGraphPanel&)>& body) {
    HostWindow host;
    std::unique_ptr<CGraphPanel> panel;
    ui.QueueStep([&] {
      page = std::make_unique<CLogDataDlg>(services, Options());
      CLogDataDlg* p = page.get();
      panel = std::make_unique<CGraphPanel>(page->Chart(), [p](double latitude, double longitude) {
        if (map::CHtmlMapDlg* map = p->MapView().Host()) map->SetPos(latitude, longitude);
      });
      CGraphPanel* g = panel.get();
      page->SetGraphHooks(GraphHooks{
          [g](chart::CPlotCtrl&) { g->SetUp(); },
          [g](std::span<const track::tagTrackLog> points, uint32_t largest) { g->FillGraph(points, largest); },
      });
      if (page->CreateInPlaceholder(host.self, res::kMainLogPagePlaceholder)) {
        ui.RunUntilIdle();
        body(*panel);
      } else {
        ADD_FAILURE() << "no page";
      }
      // The panel takes its listeners off the page's chart, so it goes first.
      panel.reset();
      page.reset();
      ui.EndDialog(host.self, 0);
    });
    ui.RunModal(kHostTemplate, {}, host);
  }
};

TEST_F(GraphWiringTest, OpenedLogFillsTheGraphAndAClickOnAPointSetsTheMarker) {
  RunWithPanel([&](CGraphPanel& panel) {
    ASSERT_TRUE(panel.IsSetUp());
    AddLog(10);
    page->OpenLog(0);
    ASSERT_EQ(panel.PaceSeries()->Points().Points().size(), 10u);
    EXPECT_DOUBLE_EQ(panel.DistanceAxis()->Maximum(), 9000.0);
    ui.RunUntilIdle();
    TakeCalls();

    const WindowId graph = Part(res::kLogGraph);
    const platform::Point at = panel.PaceSeries()->PointToPixel(4);
    ASSERT_TRUE(ui.Mouse(graph, platform::MouseAction::Down, at));
    ASSERT_TRUE(ui.Mouse(graph, platform::MouseAction::Up, at));
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"setpos(35.004000, 139.492000)"}));
  });
}

TEST_F(GraphWiringTest, TheChartFollowsItsControlsSize) {
  RunWithPanel([&](CGraphPanel&) {
    const platform::Rect small = page->Chart().PlottingRect();
    page->LayoutLogPage(1200, 800);
    ui.RunUntilIdle();
    const platform::Rect large = page->Chart().PlottingRect();
    EXPECT_EQ(ui.ClientSize(Part(res::kLogGraph)), (platform::Size{927, 245}));
    EXPECT_GT(large.Width(), small.Width());
    EXPECT_EQ(large.Height(), small.Height());
  });
}

}  // namespace
}  // namespace kemlog::viewer::testing
