// The chart pane of the main window: the chart panel fills the pane below its caption bar, follows
// the window's size, and shows the chart.
#include <gtest/gtest.h>

#include "app/MainFormUnit.h"
#include "chart/Chart.h"
#include "ui/UiTestEnv.h"

namespace {

TEST(MainFormChart, ChartPanelFillsItsPaneAndShowsTheChart) {
    TMainForm* f = Application->CreateForm<TMainForm>();
    uitest::TakeBoxes();
    auto fills = [&] {
        EXPECT_EQ(f->Chart1->Parent(), f->Panel8);
        EXPECT_EQ(f->Chart1->Left(), 0);
        EXPECT_EQ(f->Chart1->Top(), f->Panel3->Top() + f->Panel3->Height());
        EXPECT_EQ(f->Chart1->Width(), f->Panel8->ClientWidth());
        EXPECT_EQ(f->Chart1->Top() + f->Chart1->Height(), f->Panel8->ClientHeight());
        EXPECT_GT(f->Chart1->Height(), 100);
    };
    fills();
    f->Show();
    uitest::Pump();
    f->SetBounds(f->Left(), f->Top(), f->Width() - 100, f->Height() - 80);
    uitest::Pump();
    fills();
    // The top left corner shows the background gradient's top colour, not a plain panel.
    f->Chart1->Repaint();
    unsigned corner = uitest::ScreenPixel(f->Chart1->Handle(), 2, 2);
    TColor top = f->Chart1->Chart().GradientEndColor;
    EXPECT_NEAR(static_cast<int>(corner >> 16), RedOf(top), 3);
    EXPECT_EQ(static_cast<int>((corner >> 8) & 0xFF), GreenOf(top));
    EXPECT_NEAR(static_cast<int>(corner & 0xFF), BlueOf(top), 3);
    delete f;
    uitest::Pump();
}

}  // namespace
