// The chart panel under Wine: pixels of the GDI drawing, the snapshot against the screen, mouse
// messages routed to the chart, and the demonstration screenshots of the four chart types.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "chart/ChartPanel_win.h"
#include "chart/ChartTestSupport.h"
#include "chart/ChartUtils.h"
#include "chart/GdiChartCanvas_win.h"
#include "support/TestSupport.h"

using namespace charttest;

namespace {

// 0x00RRGGBB pixel of a DIB for a chart colour.
std::uint32_t Rgb(TColor c) {
    return (RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c);
}
int Channel(std::uint32_t p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}

class ChartPanelTest : public ::testing::Test {
protected:
    // One host window serves the tests (making top-level windows is slow under Wine); a test
    // that destroys it gets a new one for the next.
    static void TearDownTestSuite() { FHost.Reset(); }
    void SetUp() override {
        if (!FHost)
            FHost.Reset(::CreateWindowExW(0, L"STATIC", L"Chart", WS_POPUP | WS_VISIBLE, 0, 0, 900, 640, nullptr,
                                          nullptr, ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(FHost);
        FPanel = std::make_unique<TChartPanel>(FHost.Get(), 0, 0, 800, 560);
        ASSERT_TRUE(FPanel->Handle());
        FSeries = AddProgramSeries(FPanel->Chart());
    }
    void TearDown() override { FPanel.reset(); }
    // Draws the panel as the snapshot does and returns the bitmap.
    std::unique_ptr<TDibSection> Snapshot() {
        auto dib = std::make_unique<TDibSection>(FPanel->ClientWidth(), FPanel->ClientHeight(), false);
        FPanel->DrawSnapshot(dib->Bitmap());
        return dib;
    }
    void Pump() {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }

    static inline TWindowHandle FHost;
    std::unique_ptr<TChartPanel> FPanel;
    TChartSetup FSeries;
};

TEST_F(ChartPanelTest, SinglePointPieIsARedDiscMovedLeft) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FSeries.Pie->Add(100, "Only");
    auto dib = Snapshot();
    const auto& g = FSeries.Pie->Geometry();
    int dx, dy;
    FSeries.Pie->SliceOffset(0, dx, dy);
    EXPECT_LT(dx, 0);
    EXPECT_EQ(dy, 0);
    int cx = g.XCenter + dx, cy = g.YCenter;
    // (The radius to the start point at 3 o'clock is outlined, so look beside it.)
    EXPECT_EQ(dib->Pixel(cx, cy + 5), Rgb(RgbColor(255, 0, 0)));
    // Inside the moved disc on its left edge, outside of it on the right edge of the unmoved one.
    EXPECT_EQ(dib->Pixel(cx - g.XRadius + 3, cy), Rgb(RgbColor(255, 0, 0)));
    EXPECT_NE(dib->Pixel(g.XCenter + g.XRadius - 2, cy), Rgb(RgbColor(255, 0, 0)));
    // Round, less the room made for the pulled-out slice at the sides.
    EXPECT_EQ(dib->Pixel(cx, cy - g.YRadius + 3), Rgb(RgbColor(255, 0, 0)));
    EXPECT_NEAR(g.XRadius + std::abs(dx) / 2, g.YRadius, 2);
}

TEST_F(ChartPanelTest, BarGradientRunsFromColourAtTopToWhiteAtBottom) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar2D);
    FSeries.Bar->Add(1000, "A");
    FSeries.Bar->Add(500, "B");
    auto dib = Snapshot();
    TScreenRect r = FSeries.Bar->BarRect(chart.BottomAxis(), chart.LeftAxis(), 0);
    ASSERT_GT(r.Height(), 300);
    int x = (r.Left + r.Right) / 2;
    EXPECT_EQ(dib->Pixel(x, r.Top), Rgb(clBlack));  // the outline
    // The first row inside the outline is the first or second of 256 bands.
    std::uint32_t top = dib->Pixel(x, r.Top + 1);
    EXPECT_EQ(Channel(top, 16), 255);
    EXPECT_LE(Channel(top, 8), 1);
    EXPECT_LE(Channel(top, 0), 1);
    std::uint32_t bottom = dib->Pixel(x, r.Bottom - 1);
    EXPECT_EQ(Channel(bottom, 16), 255);
    EXPECT_GE(Channel(bottom, 8), 245);
    EXPECT_GE(Channel(bottom, 0), 245);
    // Green second bar, halfway up.
    TScreenRect r2 = FSeries.Bar->BarRect(chart.BottomAxis(), chart.LeftAxis(), 1);
    EXPECT_NEAR(r2.Height(), r.Height() / 2, 2);
    std::uint32_t green = dib->Pixel((r2.Left + r2.Right) / 2, r2.Top + 1);
    EXPECT_LE(Channel(green, 16), 1);
    EXPECT_NEAR(Channel(green, 8), 128, 1);
}

TEST_F(ChartPanelTest, LegendHasWhiteFillBlackFrameAndShadow) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    chart.Legend().SetVisible(true);
    auto dib = Snapshot();
    const TScreenRect& r = chart.Legend().Rect();
    ASSERT_FALSE(r.IsEmpty());
    int midY = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(dib->Pixel(r.Left, midY), Rgb(clBlack));  // frame
    EXPECT_EQ(dib->Pixel(r.Right - 1, midY), Rgb(clBlack));
    EXPECT_EQ(dib->Pixel(r.Right, midY), Rgb(clBlack));                     // shadow, 1 pixel right
    EXPECT_NE(dib->Pixel(r.Right + 1, midY), Rgb(clBlack));                 // background beyond
    EXPECT_EQ(dib->Pixel((r.Left + r.Right) / 2, r.Bottom), Rgb(clBlack));  // shadow below
    EXPECT_EQ(dib->Pixel(r.Right - 2, r.Top + 1), Rgb(clWhite));            // fill
    // The first colour box is red, the second green.
    const auto& legend = chart.Legend();
    int boxX = (legend.BoxLeft() + legend.BoxRight()) / 2;
    EXPECT_EQ(dib->Pixel(boxX, legend.FirstRowTop() + legend.RowHeight() / 2), Rgb(RgbColor(255, 0, 0)));
    EXPECT_EQ(dib->Pixel(boxX, legend.FirstRowTop() + legend.RowHeight() * 3 / 2), Rgb(RgbColor(0, 128, 0)));
    // The pie moved left of the legend.
    EXPECT_LT(chart.ChartRect().Right, r.Left);
}

TEST_F(ChartPanelTest, SnapshotEqualsTheScreen) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar3D);
    FillSample(*FSeries.Bar);
    chart.Legend().SetVisible(true);
    ::UpdateWindow(FPanel->Handle());
    Pump();
    ::RedrawWindow(FPanel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    int w = FPanel->ClientWidth(), h = FPanel->ClientHeight();
    TDibSection screen(w, h);
    {
        TWindowDc dc(FPanel->Handle());
        ASSERT_TRUE(::BitBlt(screen.Dc(), 0, 0, w, h, dc.Get(), 0, 0, SRCCOPY));
        ::GdiFlush();
    }
    auto snap = Snapshot();
    int differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differing += screen.Pixel(x, y) != snap->Pixel(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(FPanel->BufferedDisplay);  // switched back on after the snapshot
    // The device bitmap for the clipboard holds the same picture.
    TBitmapHandle bitmap = FPanel->CreateSnapshotBitmap();
    ASSERT_TRUE(bitmap);
    TDibSection copy(w, h);
    {
        TMemDc source(::CreateCompatibleDC(nullptr));
        TSelectObject select(source.Get(), bitmap.Get());
        ::BitBlt(copy.Dc(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
        ::GdiFlush();
    }
    differing = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differing += copy.Pixel(x, y) != snap->Pixel(x, y);
    EXPECT_EQ(differing, 0);
    // Hidden or of no size: nothing to copy.
    FPanel->SetVisible(false);
    EXPECT_FALSE(FPanel->Visible());
    FPanel->SetBounds(0, 0, 0, 0);
    EXPECT_FALSE(FPanel->CreateSnapshotBitmap());
}

TEST_F(ChartPanelTest, MouseMessagesReachTheChart) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    chart.Legend().SetVisible(true);
    Snapshot();  // lays the chart out
    int clickedSeries = -2, legendClicks = 0;
    chart.OnClickSeries = [&](TChart&, TChartSeries&, int index, TMouseButton, TShiftState, int, int) {
        clickedSeries = index;
    };
    chart.OnClickLegend = [&](TChart&, TMouseButton button, TShiftState, int, int) {
        legendClicks += button == TMouseButton::mbRight;
    };
    // The middle of the third slice.
    const auto& g = FSeries.Pie->Geometry();
    double mid = g.Angles[2].MidAngle;
    int x = g.XCenter + static_cast<int>(std::cos(mid) * g.XRadius / 2);
    int y = g.YCenter - static_cast<int>(std::sin(mid) * g.YRadius / 2);
    ::SendMessageW(FPanel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(FPanel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(clickedSeries, 2);
    const auto& legend = chart.Legend();
    int ly = legend.FirstRowTop() + legend.RowHeight() / 2;
    ::SendMessageW(FPanel->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(legend.TextLeft() + 2, ly));
    ::SendMessageW(FPanel->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(legend.TextLeft() + 2, ly));
    EXPECT_EQ(legendClicks, 1);
}

TEST_F(ChartPanelTest, ParentDestroyedBeforeThePanel) {
    FHost.Reset();
    EXPECT_EQ(FPanel->Handle(), nullptr);
    FPanel->Chart().Foot().SetText({"still safe"});  // no window to repaint
    FPanel.reset();
}

TEST_F(ChartPanelTest, EverySizeFromNothingToFullScreenDraws) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar3D);
    FSeries.Bar->Add(5, std::string(10000, 'x'));
    FSeries.Bar->Add(-1, "neg");
    FSeries.Bar->Add(NAN, "nan");
    FSeries.Bar->Add(INFINITY, "inf");
    chart.Legend().SetVisible(true);
    for (TChartType type : {TChartType::Pie2D, TChartType::Pie3D, TChartType::Bar2D, TChartType::Bar3D}) {
        SetChartType(chart, FSeries, type);
        for (int size : {0, 1, 3, 17, 64, 333, 1280}) {
            FPanel->SetBounds(0, 0, size, size * 3 / 4);
            auto dib = Snapshot();
            chart.CalcClickedPart(size / 2, size / 3);
        }
    }
    SUCCEED();
}

// Demonstration pictures of sample data in the four types, with and without the legend.
TEST_F(ChartPanelTest, DemonstrationScreenshots) {
    TChart& chart = FPanel->Chart();
    chart.Foot().SetText({"Total File Size"});
    struct {
        TChartType Type;
        const char* Name;
    } types[] = {{TChartType::Pie2D, "pie2d"},
                 {TChartType::Pie3D, "pie3d"},
                 {TChartType::Bar2D, "bar2d"},
                 {TChartType::Bar3D, "bar3d"}};
    for (const auto& t : types) {
        SetChartType(chart, FSeries, t.Type);
        bool pie = t.Type == TChartType::Pie2D || t.Type == TChartType::Pie3D;
        FillSample(pie ? static_cast<TChartSeries&>(*FSeries.Pie) : *FSeries.Bar);
        for (bool legend : {false, true}) {
            chart.Legend().SetVisible(legend);
            auto dib = Snapshot();
            std::string name = std::string("chart-") + t.Name + (legend ? "-legend" : "");
            EXPECT_TRUE(vstest::SavePng(vstest::ScreenshotPath(name), dib->Width(), dib->Height(), dib->Pixels()));
        }
    }
}

}  // namespace
