// The chart panel control under Wine: pixels of the GDI drawing, the snapshot against the screen,
// its place in a form's layout, mouse input routed to the chart, errors reaching the standard
// error report, and the demonstration pictures of the four chart types.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "chart/ChartPanel_win.h"
#include "chart/ChartTestSupport.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestEnv.h"

using namespace charttest;

namespace {

// 0x00RRGGBB pixel of a DIB for a chart colour.
std::uint32_t Rgb(TColor c) {
    return (RedOf(c) << 16) | (GreenOf(c) << 8) | BlueOf(c);
}
int Channel(std::uint32_t p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}
LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class ChartPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        FForm = uitest::HostForm(800, 560);
        FPanel = new TChartPanel(FForm.get(), FForm.get());
        FPanel->SetAlign(alClient);
        ASSERT_TRUE(FPanel->Handle());
        FSeries = AddProgramSeries(FPanel->Chart());
        uitest::TakeBoxes();
    }
    void TearDown() override { FForm.reset(); }
    // Draws the panel as the snapshot does.
    std::unique_ptr<TBitmap> Snapshot() {
        auto bitmap = FPanel->CreateSnapshotBitmap();
        EXPECT_TRUE(bitmap);
        return bitmap;
    }
    void Send(UINT msg, WPARAM keys, int x, int y) { ::SendMessageW(FPanel->Handle(), msg, keys, At(x, y)); }

    std::unique_ptr<TForm> FForm;
    TChartPanel* FPanel = nullptr;  // owned by the form
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

TEST_F(ChartPanelTest, ScreenShowsTheSnapshotBufferedOrNot) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar3D);
    FillSample(*FSeries.Bar);
    chart.Legend().SetVisible(true);
    FForm->Show();
    for (bool buffered : {true, false}) {
        FPanel->SetBufferedDisplay(buffered);
        FPanel->Repaint();
        uitest::Pump();
        int w = FPanel->ClientWidth(), h = FPanel->ClientHeight();
        TBitmap screen(w, h);
        {
            TWindowDc dc(FPanel->Handle());
            ASSERT_TRUE(::BitBlt(screen.Dc(), 0, 0, w, h, dc.Get(), 0, 0, SRCCOPY));
            ::GdiFlush();
        }
        auto snap = Snapshot();
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) differing += screen.Pixel(x, y) != snap->Pixel(x, y);
        EXPECT_EQ(differing, 0) << buffered;
        EXPECT_EQ(FPanel->BufferedDisplay(), buffered);  // as it was before the snapshot
    }
    // Of no size: nothing to copy.
    FPanel->SetAlign(alNone);
    FPanel->SetBounds(0, 0, 0, 0);
    EXPECT_FALSE(FPanel->CreateSnapshotBitmap());
}

TEST_F(ChartPanelTest, TakesItsPlaceInTheLayoutAndRedrawsAtTheNewSize) {
    // A bar above, the chart filling the rest: the chart's layout follows the form's size.
    auto* top = new TPanel(FForm.get(), FForm.get());
    top->SetHeight(60);
    top->SetAlign(alTop);
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    EXPECT_EQ(FPanel->Top(), 60);
    EXPECT_EQ(FPanel->Width(), 800);
    EXPECT_EQ(FPanel->Height(), 500);
    Snapshot();
    EXPECT_EQ(chart.InnerRect(), (TScreenRect{24, 15, 776, 485}));  // 3 % margins of 800 x 500
    FForm->SetClientSize(400, 300);
    EXPECT_EQ(FPanel->Width(), 400);
    EXPECT_EQ(FPanel->Height(), 240);
    auto dib = Snapshot();
    EXPECT_EQ(dib->Width(), 400);
    EXPECT_EQ(dib->Height(), 240);
    EXPECT_EQ(chart.InnerRect(), (TScreenRect{12, 7, 388, 233}));
    top->Hide();
    EXPECT_EQ(FPanel->Top(), 0);
    EXPECT_EQ(FPanel->Height(), 300);
}

TEST_F(ChartPanelTest, DrawingStaysInsideTheClientRectangle) {
    // A long rotated label and odd values at sizes from nothing to the full screen, drawn into a
    // bitmap larger than the panel: nothing beyond the panel's rectangle is touched.
    constexpr std::uint32_t kMarker = 0x123456;
    TChart& chart = FPanel->Chart();
    FSeries.Bar->Add(5, std::string(10000, 'x'));
    FSeries.Bar->Add(-1, "neg");
    FSeries.Bar->Add(NAN, "nan");
    FSeries.Bar->Add(INFINITY, "inf");
    chart.Legend().SetVisible(true);
    FPanel->SetAlign(alNone);
    for (TChartType type : {TChartType::Pie2D, TChartType::Pie3D, TChartType::Bar2D, TChartType::Bar3D}) {
        SetChartType(chart, FSeries, type);
        for (int size : {1, 3, 17, 64, 333, 1280}) {
            FPanel->SetBounds(0, 0, size, size * 3 / 4);
            int w = FPanel->ClientWidth(), h = FPanel->ClientHeight();
            TBitmap big(w + 40, h + 40);
            std::fill(big.Bits(), big.Bits() + (w + 40) * (h + 40), kMarker);
            FPanel->DrawSnapshot(big.Canvas());
            int outside = 0, inside = 0;
            for (int y = 0; y < h + 40; ++y)
                for (int x = 0; x < w + 40; ++x) {
                    bool in = x < w && y < h;
                    bool marked = big.Pixel(x, y) == kMarker;
                    outside += !in && !marked;
                    inside += in && !marked;
                }
            EXPECT_EQ(outside, 0) << static_cast<int>(type) << " at " << size;
            EXPECT_EQ(inside, w * h) << static_cast<int>(type) << " at " << size;  // all of the panel drawn
            chart.CalcClickedPart(size / 2, size / 3);
        }
    }
}

TEST_F(ChartPanelTest, MouseMessagesReachTheChartAndTheEvents) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    chart.Legend().SetVisible(true);
    Snapshot();  // lays the chart out
    int clickedSeries = -2, legendClicks = 0, downs = 0;
    TShiftState seriesShift = 0;
    chart.OnClickSeries = [&](TChart&, TChartSeries&, int index, TMouseButton, TShiftState shift, int, int) {
        clickedSeries = index;
        seriesShift = shift;
    };
    chart.OnClickLegend = [&](TChart&, TMouseButton button, TShiftState, int, int) {
        legendClicks += button == TMouseButton::mbRight;
    };
    FPanel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    // The middle of the third slice, with Shift held.
    const auto& g = FSeries.Pie->Geometry();
    double mid = g.Angles[2].MidAngle;
    int x = g.XCenter + static_cast<int>(std::cos(mid) * g.XRadius / 2);
    int y = g.YCenter - static_cast<int>(std::sin(mid) * g.YRadius / 2);
    Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, x, y);
    Send(WM_LBUTTONUP, 0, x, y);
    EXPECT_EQ(clickedSeries, 2);
    EXPECT_EQ(seriesShift & (ssShift | ssLeft), ssShift | ssLeft);
    EXPECT_EQ(::GetCapture(), nullptr);  // no zoom in a pie: the mouse is let go at once
    const auto& legend = chart.Legend();
    int ly = legend.FirstRowTop() + legend.RowHeight() / 2;
    Send(WM_RBUTTONDOWN, MK_RBUTTON, legend.TextLeft() + 2, ly);
    Send(WM_RBUTTONUP, 0, legend.TextLeft() + 2, ly);
    EXPECT_EQ(legendClicks, 1);
    EXPECT_EQ(downs, 2);
}

TEST_F(ChartPanelTest, ARealClickOnASliceOpensIt) {
    // Through the system's input queue, as a user's click comes: pointer moved, button pressed and
    // released, delivered by the message loop.
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    FForm->Show();
    uitest::Pump(100);
    Snapshot();
    int clicked = -1;
    chart.OnClickSeries = [&](TChart&, TChartSeries&, int index, TMouseButton, TShiftState, int, int) {
        clicked = index;
    };
    const auto& g = FSeries.Pie->Geometry();
    double mid = g.Angles[5].MidAngle;
    POINT p{g.XCenter + static_cast<int>(std::cos(mid) * g.XRadius * 0.6),
            g.YCenter - static_cast<int>(std::sin(mid) * g.YRadius * 0.6)};
    ::ClientToScreen(FPanel->Handle(), &p);
    ASSERT_TRUE(::SetCursorPos(p.x, p.y));
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(::SendInput(2, input, sizeof(INPUT)), 2u);
    uitest::Pump(200);
    EXPECT_EQ(clicked, 5);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ChartPanelTest, ARealDragZoomsTheBarsEvenWhenItEndsOutsideThePanel) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar2D);
    FillSample(*FSeries.Bar);
    FForm->Show();
    uitest::Pump(100);
    Snapshot();
    const TScreenRect plot = chart.ChartRect();
    POINT from{plot.Left + 20, plot.Top + 20}, to{FPanel->ClientWidth() + 30, FPanel->ClientHeight() + 30};
    ::ClientToScreen(FPanel->Handle(), &from);
    ::ClientToScreen(FPanel->Handle(), &to);
    auto button = [](DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        ::SendInput(1, &input, sizeof input);
    };
    ::SetCursorPos(from.x, from.y);
    button(MOUSEEVENTF_LEFTDOWN);
    uitest::Pump(50);
    EXPECT_TRUE(chart.Zooming());
    ::SetCursorPos(to.x, to.y);  // beyond the panel's lower right corner: the panel holds the mouse
    uitest::Pump(50);
    button(MOUSEEVENTF_LEFTUP);
    uitest::Pump(100);
    EXPECT_FALSE(chart.Zooming());
    EXPECT_TRUE(chart.Zoomed());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ChartPanelTest, ZoomDragHoldsTheMouseUntilReleasedOrTaken) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Bar2D);
    FillSample(*FSeries.Bar);
    FForm->Show();
    Snapshot();
    const TScreenRect plot = chart.ChartRect();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, plot.Left + 10, plot.Top + 10);
    EXPECT_TRUE(chart.Zooming());
    EXPECT_EQ(::GetCapture(), FPanel->Handle());
    Send(WM_MOUSEMOVE, MK_LBUTTON, plot.Left + 150, plot.Top + 150);
    // Another button pressed meanwhile does not end the drag.
    Send(WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, plot.Left + 150, plot.Top + 150);
    EXPECT_TRUE(chart.Zooming());
    EXPECT_EQ(::GetCapture(), FPanel->Handle());
    Send(WM_LBUTTONUP, 0, plot.Left + 150, plot.Top + 150);
    EXPECT_FALSE(chart.Zooming());
    EXPECT_TRUE(chart.Zoomed());
    EXPECT_EQ(::GetCapture(), nullptr);
    // A drag that another window interrupts ends where it is.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, plot.Left + 10, plot.Top + 10);
    ASSERT_TRUE(chart.Zooming());
    ::SetCapture(FForm->Handle());
    EXPECT_FALSE(chart.Zooming());
    ::ReleaseCapture();
}

TEST_F(ChartPanelTest, ErrorsOfClickHandlersReachTheErrorReport) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FSeries.Pie->Add(100, "Only");
    Snapshot();
    chart.OnClickSeries = [](TChart&, TChartSeries&, int, TMouseButton, TShiftState, int, int) {
        throw Exception("Folder not found");
    };
    const auto& g = FSeries.Pie->Geometry();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, g.XCenter - g.XRadius / 2, g.YCenter + 3);
    Send(WM_LBUTTONUP, 0, g.XCenter - g.XRadius / 2, g.YCenter + 3);
    auto boxes = uitest::TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "Folder not found.");
    EXPECT_EQ(boxes[0].Caption, "Voluscope");
    EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ChartPanelTest, ADrawingErrorIsReportedOnceUntilTheChartChanges) {
    TChart& chart = FPanel->Chart();
    SetChartType(chart, FSeries, TChartType::Pie2D);
    FillSample(*FSeries.Pie);
    chart.Legend().SetVisible(true);
    bool failing = true;
    chart.OnGetLegendText = [&](TChart&, int, std::string&) {
        if (failing) throw Exception("Bad legend text");
    };
    FForm->Show();
    for (int i = 0; i < 3; ++i) {
        FPanel->Repaint();
        uitest::Pump(20);
    }
    auto boxes = uitest::TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, "Bad legend text.");
    // Mended and changed: drawn again, without a report.
    failing = false;
    chart.Foot().SetText({"Total Size"});
    FPanel->Repaint();
    uitest::Pump(20);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    const TScreenRect& legendRect = chart.Legend().Rect();
    ASSERT_FALSE(legendRect.IsEmpty());
    EXPECT_EQ(uitest::ScreenPixel(FPanel->Handle(), legendRect.Right - 2, legendRect.Top + 1), Rgb(clWhite));
}

TEST_F(ChartPanelTest, FormDestroyedBeforeThePanelObject) {
    // A panel that outlives its window stays safe to change.
    auto* orphan = new TChartPanel(nullptr, FForm.get());
    FForm.reset();
    EXPECT_EQ(orphan->Handle(), nullptr);
    orphan->Chart().Foot().SetText({"still safe"});  // no window to repaint
    delete orphan;
}

// Demonstration pictures of sample data in the four types, with and without the legend.
TEST_F(ChartPanelTest, DemonstrationScreenshots) {
    VS_SCREENSHOT_ONLY();
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
            EXPECT_TRUE(vstest::SavePng(vstest::ScreenshotPath(name), dib->Width(), dib->Height(), dib->Bits()));
        }
    }
}

}  // namespace
