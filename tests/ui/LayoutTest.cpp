// Alignment, anchors, splitters and DPI scaling of the framework, on real windows.
#include <gtest/gtest.h>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestEnv.h"

namespace {

// A form with the classic frame: top bar, bottom bar, left pane, splitter, client pane.
class TLayoutForm : public TForm {
public:
    explicit TLayoutForm(TComponent* owner) : TForm(owner, bsSizeable) {
        SetClientSize(400, 300);
        Top = Panel(alTop, 0, 0, 400, 30);
        Bottom = Panel(alBottom, 0, 0, 400, 20);
        Left = Panel(alLeft, 0, 0, 120, 10);
        Split = new TSplitter(this, this, alLeft);
        Split->SetWidth(3);
        Client = Panel(alClient, 0, 0, 10, 10);
        // An anchored button in the top bar's right corner and an edit stretched across.
        Corner = new TPanel(this, Top);
        Corner->SetBounds(370, 5, 20, 20);
        Corner->SetAnchors(akTop | akRight);
        Stretch = new TPanel(this, Client);
        Stretch->SetBounds(10, 10, Client->Width() - 20, Client->Height() - 20);
        Stretch->SetAnchors(akLeft | akTop | akRight | akBottom);
    }
    TPanel* Panel(TAlign align, int l, int t, int w, int h) {
        auto* p = new TPanel(this, this);
        p->SetBounds(l, t, w, h);
        p->SetAlign(align);
        return p;
    }
    TPanel *Top, *Bottom, *Left, *Client, *Corner, *Stretch;
    TSplitter* Split;
};

RECT R(int l, int t, int r, int b) {
    return RECT{l, t, r, b};
}
void ExpectRect(const RECT& want, const RECT& got, const char* what) {
    EXPECT_EQ(want.left, got.left) << what;
    EXPECT_EQ(want.top, got.top) << what;
    EXPECT_EQ(want.right, got.right) << what;
    EXPECT_EQ(want.bottom, got.bottom) << what;
}

// The window's real position inside its parent, as the system holds it.
RECT WindowBounds(TControl* c) {
    RECT r;
    ::GetWindowRect(c->Handle(), &r);
    ::MapWindowPoints(nullptr, ::GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(UiLayout, AlignsTopBottomLeftClientAndKeepsAnchors) {
    auto* f = Application->CreateForm<TLayoutForm>();
    ASSERT_EQ(400, f->ClientWidth());
    ASSERT_EQ(300, f->ClientHeight());
    ExpectRect(R(0, 0, 400, 30), f->Top->BoundsRect(), "top");
    ExpectRect(R(0, 280, 400, 300), f->Bottom->BoundsRect(), "bottom");
    ExpectRect(R(0, 30, 120, 280), f->Left->BoundsRect(), "left");
    ExpectRect(R(120, 30, 123, 280), f->Split->BoundsRect(), "splitter");
    ExpectRect(R(123, 30, 400, 280), f->Client->BoundsRect(), "client");
    // The system windows sit where the objects say.
    ExpectRect(f->Client->BoundsRect(), WindowBounds(f->Client), "client window");

    f->SetClientSize(600, 400);
    ExpectRect(R(0, 0, 600, 30), f->Top->BoundsRect(), "top after resize");
    ExpectRect(R(0, 380, 600, 400), f->Bottom->BoundsRect(), "bottom after resize");
    ExpectRect(R(123, 30, 600, 380), f->Client->BoundsRect(), "client after resize");
    // Anchored right: keeps its distance to the right edge; all four: grows with the parent.
    ExpectRect(R(570, 5, 590, 25), f->Corner->BoundsRect(), "corner");
    ExpectRect(R(10, 10, 467, 340), f->Stretch->BoundsRect(), "stretch");
    delete f;
}

TEST(UiLayout, HiddenControlsTakeNoRoomAndComeBackInCreationOrder) {
    auto* f = Application->CreateForm<TLayoutForm>();
    f->Left->Hide();
    f->Top->Hide();
    ExpectRect(R(0, 0, 3, 280), f->Split->BoundsRect(), "splitter moves to the edge");
    ExpectRect(R(3, 0, 400, 280), f->Client->BoundsRect(), "client grows");
    EXPECT_FALSE(::IsWindowVisible(f->Left->Handle()));
    f->Left->Show();
    f->Top->Show();
    // Left was created before the splitter, so it is laid out before it again.
    ExpectRect(R(0, 30, 120, 280), f->Left->BoundsRect(), "left back");
    ExpectRect(R(120, 30, 123, 280), f->Split->BoundsRect(), "splitter back");
    // Turning a pane into the client fills what is left.
    f->Split->Hide();
    f->Client->Hide();
    f->Left->SetAlign(alClient);
    ExpectRect(R(0, 30, 400, 280), f->Left->BoundsRect(), "left as client");
    delete f;
}

TEST(UiLayout, SplitterResizesItsNeighbourWithinLimits) {
    auto* f = Application->CreateForm<TLayoutForm>();
    EXPECT_EQ(f->Left, f->Split->FindNeighbour());
    EXPECT_EQ(170, f->Split->DragBy(50));
    EXPECT_EQ(170, f->Left->Width());
    EXPECT_EQ(173, f->Client->Left());
    // Not below the neighbour's minimum, not so far that the far side loses its minimum.
    f->Left->SetMinSize(60, 0);
    f->Split->DragBy(-1000);
    EXPECT_EQ(60, f->Left->Width());
    f->Split->DragBy(1000);
    EXPECT_EQ(400 - 3 - f->Split->MinSize(), f->Left->Width());
    EXPECT_GE(f->Client->Width(), f->Split->MinSize());
    // With the neighbour hidden the splitter resizes nothing.
    f->Left->Hide();
    EXPECT_EQ(nullptr, f->Split->FindNeighbour());
    EXPECT_EQ(-1, f->Split->DragBy(10));
    delete f;
}

TEST(UiLayout, SplitterDragsWithTheMouse) {
    auto* f = Application->CreateForm<TLayoutForm>();
    f->Show();
    uitest::Pump();
    HWND s = f->Split->Handle();
    ::SendMessageW(s, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 50));
    ::SendMessageW(s, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1 + 30, 50));
    ::SendMessageW(s, WM_LBUTTONUP, 0, MAKELPARAM(1 + 30, 50));
    EXPECT_EQ(150, f->Left->Width());
    delete f;
}

TEST(UiLayout, ScalesTheWholeTreeToAHigherDpi) {
    auto* f = Application->CreateForm<TLayoutForm>();
    int fontBefore = 0;
    {
        LOGFONTW lf{};
        ::GetObjectW(f->Client->FontHandle(), sizeof lf, &lf);
        fontBefore = lf.lfHeight;
    }
    f->ScaleToDpi(144);
    EXPECT_EQ(144, f->Dpi());
    EXPECT_EQ(600, f->ClientWidth());
    EXPECT_EQ(450, f->ClientHeight());
    ExpectRect(R(0, 0, 600, 45), f->Top->BoundsRect(), "top");
    ExpectRect(R(0, 420, 600, 450), f->Bottom->BoundsRect(), "bottom");
    ExpectRect(R(0, 45, 180, 420), f->Left->BoundsRect(), "left");
    EXPECT_EQ(5, f->Split->Width());  // 3 x 1.5, rounded
    EXPECT_EQ(185, f->Client->Left());
    ExpectRect(R(555, 8, 585, 38), f->Corner->BoundsRect(), "corner keeps its scaled distance");
    // Fonts are made for the new DPI: half as large again.
    LOGFONTW lf{};
    ::GetObjectW(f->Client->FontHandle(), sizeof lf, &lf);
    EXPECT_EQ(-::MulDiv(8, 144, 72), lf.lfHeight);
    EXPECT_EQ(-::MulDiv(8, 96, 72), fontBefore);
    // The system's WM_DPICHANGED takes the same road, back to 96.
    RECT suggested{0, 0, 0, 0};
    ::GetWindowRect(f->Handle(), &suggested);
    suggested.right = suggested.left + (suggested.right - suggested.left) * 2 / 3;
    suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * 2 / 3;
    ::SendMessageW(f->Handle(), 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(96, f->Dpi());
    EXPECT_EQ(30, f->Top->Height());
    EXPECT_EQ(120, f->Left->Width());
    delete f;
}

TEST(UiLayout, LabelSizesToItsTextAndWrapsAtItsWidth) {
    auto* f = Application->CreateForm<TLayoutForm>();
    auto* l = new TLabel(f, f->Client);
    l->SetCaption("Short");
    int shortWidth = l->Width();
    l->SetCaption("A much longer caption than before");
    EXPECT_GT(l->Width(), shortWidth);
    int oneLine = l->Height();
    l->SetAutoSize(false);
    l->SetWordWrap(true);
    l->SetWidth(60);
    l->SetAutoSize(true);
    EXPECT_EQ(60, l->Width());
    EXPECT_GE(l->Height(), oneLine * 3);
    EXPECT_EQ(L'S', [] {
        TLabel probe(nullptr, nullptr);
        probe.SetCaption("&Select a volume");
        return probe.AcceleratorChar();
    }());
    delete f;
}

TEST(UiLayout, TearingDownAFormRaisesNoLayoutOrResizeEvents) {
    auto* f = Application->CreateForm<TLayoutForm>();
    // The newest control goes first; without it the older client pane would grow.
    f->Panel(alTop, 0, 0, 400, 40);
    int resized = 0;
    for (TControl* c : {static_cast<TControl*>(f->Top), static_cast<TControl*>(f->Client),
                        static_cast<TControl*>(f->Stretch), static_cast<TControl*>(f)})
        c->OnResize = [&](TObject*) { ++resized; };
    f->Left->Hide();
    EXPECT_GT(resized, 0);  // while alive, layout changes are told
    resized = 0;
    delete f;
    EXPECT_EQ(0, resized);
}

TEST(UiLayout, AFailingResizeHandlerStopsNeitherThisLayoutNorTheNext) {
    auto* f = Application->CreateForm<TLayoutForm>();
    uitest::TakeBoxes();
    bool fail = true;
    f->Top->OnResize = [&](TObject*) {
        if (fail) throw Exception("Resize failed");
    };
    // The error reaches the standard report; the panes after the failing one still get their places.
    f->SetClientSize(600, 400);
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Resize failed.", box.Text);
    ExpectRect(R(0, 0, 600, 30), f->Top->BoundsRect(), "top");
    ExpectRect(R(0, 380, 600, 400), f->Bottom->BoundsRect(), "bottom");
    ExpectRect(R(123, 30, 600, 380), f->Client->BoundsRect(), "client");
    // And the form goes on laying out.
    fail = false;
    f->SetClientSize(500, 300);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    ExpectRect(R(0, 280, 500, 300), f->Bottom->BoundsRect(), "bottom after the error");
    ExpectRect(R(123, 30, 500, 280), f->Client->BoundsRect(), "client after the error");
    ExpectRect(R(10, 10, 367, 240), f->Stretch->BoundsRect(), "anchored after the error");
    delete f;
}

TEST(UiLayout, AFailingResizeHandlerAtTheEndOfABatchIsReported) {
    auto* f = Application->CreateForm<TLayoutForm>();
    uitest::TakeBoxes();
    f->Client->OnResize = [](TObject*) { throw Exception("Resize failed"); };
    {
        // The batch lays out once when the lock goes, which must not throw out of its destructor.
        TAlignLock lock(f);
        f->Left->SetWidth(150);
    }
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Resize failed.", box.Text);
    ExpectRect(R(153, 30, 400, 280), f->Client->BoundsRect(), "client");
    delete f;
}
