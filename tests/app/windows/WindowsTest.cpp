// The splash, progress and about windows, created for real and driven through their interfaces.
#include <gtest/gtest.h>

#include <memory>

#include "app/windows/AboutFormUnit.h"
#include "app/windows/IconImage.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/RoundedShape.h"
#include "app/windows/SplashFormUnit.h"
#include "support/ScreenShot_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"
#include "ui/Animate.h"
#include "ui/Gauge.h"
#include "ui/HyperButton.h"
#include "ui/HyperLink.h"
#include "ui/StdCtrls.h"

namespace {

using uitest::Pump;

template <typename T>
std::unique_ptr<T> Make() {
    auto form = std::make_unique<T>(nullptr);
    form->AfterConstruction();
    return form;
}

// The window's shape: a rounded rectangle leaves the corner pixels out and keeps the rest.
void ExpectRounded(HWND wnd, int width, int height, int corner = 40) {
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(wnd, rgn), ERROR) << "no region";
    EXPECT_FALSE(::PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(::PtInRegion(rgn, width - 1, 0));
    EXPECT_FALSE(::PtInRegion(rgn, 0, height - 1));
    int r = corner / 2;
    EXPECT_FALSE(::PtInRegion(rgn, r / 5, r / 5));  // outside the corner ellipse
    EXPECT_TRUE(::PtInRegion(rgn, r, 1));           // the edge between the corners stays
    EXPECT_TRUE(::PtInRegion(rgn, 1, r));
    EXPECT_FALSE(::PtInRegion(rgn, r / 2, 1));             // still inside the corner's bounding square
    EXPECT_TRUE(::PtInRegion(rgn, r * 3 / 5, r * 3 / 5));  // inside the corner ellipse
    EXPECT_TRUE(::PtInRegion(rgn, width / 2, height / 2));
    RECT box;
    ::GetRgnBox(rgn, &box);
    EXPECT_EQ(box.right, width - 1);  // the region's right and bottom edges are exclusive
    EXPECT_EQ(box.bottom, height - 1);
    ::DeleteObject(rgn);
}

TEST(WinSplashForm, LayoutShapeAndVersion) {
    auto splash = Make<TSplashForm>();
    EXPECT_EQ(splash->ClientWidth(), 378);
    EXPECT_EQ(splash->ClientHeight(), 229);
    EXPECT_EQ(splash->Color(), 16771022u);
    EXPECT_EQ(::GetWindowLongW(splash->Handle(), GWL_STYLE) & WS_CAPTION, 0);
    ExpectRounded(splash->Handle(), 378, 229);
    EXPECT_EQ(splash->Version->Caption(), "Version 1.4.1.108");
    EXPECT_EQ(splash->ProductName->Caption(), "Voluscope");
    EXPECT_EQ(splash->ProductName->Font().Size, 16);
    EXPECT_EQ(splash->ProductName->Font().Color, clBlue);
    EXPECT_EQ(splash->Label1->Caption(), "Analysing disk information:");
    EXPECT_TRUE(splash->Label1->Font().Style & fsBold);
    EXPECT_EQ(splash->Label2->Width(), 329);
    EXPECT_EQ(splash->Animate1->Left(), 149);
    EXPECT_EQ(splash->Animate1->Top(), 151);
    EXPECT_EQ(splash->Animate1->Width(), 80);
    EXPECT_TRUE(splash->ProgramIcon->HasIcon());
    EXPECT_FALSE(splash->Animate1->Active());  // stopped until shown
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST(WinSplashForm, ShowingStartsTheAnimationAndStatusFollows) {
    auto splash = Make<TSplashForm>();
    splash->Show();
    EXPECT_TRUE(splash->Animate1->Active());
    EXPECT_EQ(splash->Label2->Caption(), "Please wait...");
    RECT r;
    ::GetWindowRect(splash->Handle(), &r);
    // Centred on the screen.
    EXPECT_NEAR((r.left + r.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    splash->SetStatus("Program Files");
    EXPECT_EQ(splash->Label2->Caption(), "Program Files");
    int frame = splash->Animate1->Frame();
    Pump(400);
    if (!splash->Animate1->SystemClip()) EXPECT_NE(splash->Animate1->Frame(), frame);
    vstest::SaveScreenRect(splash->Handle(), "splash");
}

TEST(WinSplashForm, ShapeAndLayoutFollowTheDpi) {
    auto splash = Make<TSplashForm>();
    splash->ScaleToDpi(144);
    EXPECT_EQ(splash->ClientWidth(), 567);
    EXPECT_EQ(splash->ClientHeight(), 344);
    ExpectRounded(splash->Handle(), 567, 344, 60);
    EXPECT_EQ(splash->Animate1->Left(), 224);
    EXPECT_EQ(splash->Animate1->Width(), 120);
    EXPECT_EQ(splash->Label2->Width(), 494);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST(WinSplashForm, RegionFailureWarnsAndLeavesASquareWindow) {
    TRegionMaker saved = RoundRegionMaker();
    RoundRegionMaker() = [](int, int, int, int) { return HRGN(nullptr); };
    auto splash = Make<TSplashForm>();
    auto about = Make<TAboutBox>();
    RoundRegionMaker() = saved;
    auto shown = uitest::TakeBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].Text, "Region error");
    EXPECT_EQ(shown[0].Flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONWARNING));
    EXPECT_EQ(shown[1].Text, "Region error");
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetWindowRgn(splash->Handle(), rgn), ERROR);
    ::DeleteObject(rgn);
    // The windows work all the same.
    EXPECT_EQ(splash->Version->Caption(), "Version 1.4.1.108");
    EXPECT_EQ(about->Version->Caption(), "Version 1.4.1.108");
}

TEST(WinProgressForm, LayoutAndFrame) {
    auto progress = Make<TProgressForm>();
    EXPECT_EQ(progress->ClientWidth(), 258);
    EXPECT_EQ(progress->ClientHeight(), 85);
    EXPECT_EQ(progress->Caption(), "Collecting Information");
    EXPECT_FALSE(::IsWindowVisible(progress->Handle()));
    LONG style = ::GetWindowLongW(progress->Handle(), GWL_STYLE);
    EXPECT_EQ(style & WS_SYSMENU, 0);  // no close button
    EXPECT_TRUE(::GetWindowLongW(progress->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(progress->Gauge1->Visible());
    EXPECT_TRUE(progress->Animate1->Visible());
    EXPECT_EQ(progress->Gauge1->Left(), 8);
    EXPECT_EQ(progress->Gauge1->Top(), 16);
    EXPECT_EQ(progress->Gauge1->Width(), 241);
    EXPECT_EQ(progress->Gauge1->Height(), 32);
    EXPECT_EQ(progress->Label1->Width(), 232);
    EXPECT_EQ(progress->Label1->Font().Name, "Verdana");
}

TEST(WinProgressForm, ShowResetsStatusAndAnimatesOnlyWhileShown) {
    auto progress = Make<TProgressForm>();
    EXPECT_FALSE(progress->Animate1->Active());
    progress->SetStatus("left over");
    progress->Show();
    EXPECT_TRUE(progress->Animate1->Active());
    EXPECT_EQ(progress->Label1->Caption(), "Please wait...");
    progress->SetStatus("C:\\Windows");
    progress->Show();  // already visible: nothing changes
    EXPECT_EQ(progress->Label1->Caption(), "C:\\Windows");
    EXPECT_TRUE(progress->Animate1->Active());
    Pump(250);
    vstest::SaveScreenRect(progress->Handle(), "progress-animation");
    progress->Hide();
    EXPECT_FALSE(progress->Animate1->Active());
    int frame = progress->Animate1->Frame();
    Pump(300);
    EXPECT_EQ(progress->Animate1->Frame(), frame);  // stopped: no frames go by
    progress->Show();
    EXPECT_EQ(progress->Label1->Caption(), "Please wait...");
    EXPECT_TRUE(progress->Animate1->Active());
    progress->Hide();
}

TEST(WinProgressForm, GaugeModeAndBack) {
    auto progress = Make<TProgressForm>();
    progress->Show();
    progress->Gauge1->SetMaxValue(3);
    progress->Gauge1->SetProgress(2);
    progress->ShowGauge();
    EXPECT_TRUE(progress->Gauge1->Visible());
    EXPECT_FALSE(progress->Animate1->Visible());
    EXPECT_EQ(progress->Gauge1->Progress(), 0);
    progress->Gauge1->StepProgress(1);
    EXPECT_EQ(progress->Gauge1->PercentDone(), 33);
    progress->SetStatus("C:\\Users");
    Pump(100);
    vstest::SaveScreenRect(progress->Handle(), "progress-gauge");
    for (int i = 0; i < 5; ++i) progress->Gauge1->StepProgress(1);
    EXPECT_EQ(progress->Gauge1->PercentDone(), 100);
    progress->ShowAnimation();
    EXPECT_FALSE(progress->Gauge1->Visible());
    EXPECT_TRUE(progress->Animate1->Visible());
    progress->Hide();
}

TEST(WinAboutBox, LayoutShapeVersionAndLink) {
    auto about = Make<TAboutBox>();
    EXPECT_EQ(about->ClientWidth(), 298);
    EXPECT_EQ(about->ClientHeight(), 213);
    ExpectRounded(about->Handle(), 298, 213);
    EXPECT_EQ(about->Version->Caption(), "Version 1.4.1.108");
    EXPECT_EQ(about->VrHyperLink1->Caption(), kMakerAddress);
    EXPECT_EQ(about->VrHyperLink1->Width(), 265);
    EXPECT_EQ(about->VrHyperLink1->Font().Style, static_cast<unsigned>(fsBold | fsUnderline));
    EXPECT_EQ(about->VrHyperLink1->Font().Color, clNavy);
    EXPECT_EQ(about->VrHyperButton1->Caption(), "OK");
    EXPECT_EQ(about->VrHyperButton1->Color(), 16769217u);
    EXPECT_EQ(about->VrHyperButton1->Left(), 99);
    EXPECT_EQ(about->VrHyperButton1->Top(), 178);
    EXPECT_EQ(about->VrHyperButton1->Cursor(), crHandPoint);
}

TEST(WinAboutBox, LinkOpensTheAddressAndOkClosesTheModalWindow) {
    auto about = Make<TAboutBox>();
    std::string opened;
    about->OpenAddress = [&](const std::string& address) { opened = address; };
    HWND link = about->VrHyperLink1->Handle();
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(opened, kMakerAddress);

    // The click on OK waits in the queue until the modal loop runs.
    HWND ok = about->VrHyperButton1->Handle();
    ::PostMessageW(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 12));
    ::PostMessageW(ok, WM_LBUTTONUP, 0, MAKELPARAM(50, 12));
    EXPECT_EQ(about->ShowModal(), mrOk);
}

TEST(WinAboutBox, ScreenshotOfTheShownWindow) {
    VS_SCREENSHOT_ONLY();
    auto about = Make<TAboutBox>();
    about->Show();
    Pump(150);
    EXPECT_TRUE(vstest::SaveScreenRect(about->Handle(), "about"));
    about->Hide();
}

}  // namespace
