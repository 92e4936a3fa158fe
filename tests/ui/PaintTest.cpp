// Painting of our own controls when the painting code fails.
#include <gtest/gtest.h>

#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace {

// Paints white, or fails when told to.
class TFailingPainter : public TControl {
public:
    TFailingPainter(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
        SetBounds(10, 10, 120, 60);
        CreateHandle(L"VsControl", 0);
    }
    bool Fail = false;
    int Paints = 0;

protected:
    void Paint(TCanvas& canvas) override {
        ++Paints;
        if (Fail) throw Exception("Cannot paint");
        canvas.FillRect(RECT{0, 0, Width(), Height()}, RGB(255, 255, 255));
    }
};

// How often, over about ms milliseconds of running the message loop, the screen changes at a point:
// a blinking caret inverts its pixels on and off.
int CaretBlinks(HWND wnd, int x, int y, int ms) {
    int changes = 0;
    unsigned last = uitest::ScreenPixel(wnd, x, y);
    DWORD end = ::GetTickCount() + ms;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        uitest::Pump(20);
        unsigned now = uitest::ScreenPixel(wnd, x, y);
        if (now != last) ++changes;
        last = now;
    }
    return changes;
}

}  // namespace

TEST(UiPaint, APaintingErrorIsReportedOnceAndTheCaretKeepsBlinking) {
    auto form = uitest::HostForm(200, 100);
    auto* c = new TFailingPainter(form.get(), form.get());
    form->Show();
    uitest::Pump(100);
    ASSERT_EQ(0xFFFFFFu, uitest::ScreenPixel(c->Handle(), 5, 5));
    uitest::TakeBoxes();

    // A text cursor in the control, as an editing control has; painting hides it while it draws.
    ASSERT_TRUE(::CreateCaret(c->Handle(), nullptr, 4, 30));
    ::SetCaretPos(40, 10);
    ::SetCaretBlinkTime(100);
    ::ShowCaret(c->Handle());
    EXPECT_GT(CaretBlinks(c->Handle(), 41, 20, 600), 0) << "the caret blinks before the error";

    c->Fail = true;
    c->Invalidate();
    ::UpdateWindow(c->Handle());
    uitest::Pump(200);
    // One report, not one per retried paint: the failed paint still ends the painting.
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Cannot paint.", box.Text);
    EXPECT_EQ(1, c->Paints - 1);
    c->Fail = false;
    EXPECT_GT(CaretBlinks(c->Handle(), 41, 20, 600), 0) << "the caret blinks after the error";
    ::DestroyCaret();
}
