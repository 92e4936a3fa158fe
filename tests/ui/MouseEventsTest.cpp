// Mouse events of controls: buttons, shift state and position from the window's mouse messages,
// double clicks, and the default handling that still follows them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/Chart.h"  // the chart's shift state is the framework's: both headers go together
#include "ui/ActnList.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace {

// A painted control of our own window class.
class TProbe : public TControl {
public:
    TProbe(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
        SetBounds(10, 10, 100, 60);
        CreateHandle(L"VsControl", 0);
    }
};

struct TSeen {
    std::string Kind;  // "down", "up", "move", "dblclick"
    TMouseButton Button = TMouseButton::mbLeft;
    TShiftState Shift = 0;
    int X = 0, Y = 0;
};

class UiMouseEvents : public ::testing::Test {
protected:
    void SetUp() override {
        FForm = uitest::HostForm(200, 100);
        FProbe = new TProbe(FForm.get(), FForm.get());
        FProbe->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            EXPECT_EQ(s, FProbe);
            FSeen.push_back({"down", b, sh, x, y});
        };
        FProbe->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState sh, int x, int y) {
            FSeen.push_back({"up", b, sh, x, y});
        };
        FProbe->OnMouseMove = [this](TObject*, TShiftState sh, int x, int y) {
            FSeen.push_back({"move", TMouseButton::mbLeft, sh, x, y});
        };
        FProbe->OnDblClick = [this](TObject*) { FSeen.push_back({"dblclick"}); };
    }
    void TearDown() override { SetAlt(false); }
    static void SetAlt(bool down) {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_MENU] = down ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }

    std::unique_ptr<TForm> FForm;
    TProbe* FProbe = nullptr;
    std::vector<TSeen> FSeen;
};

TEST_F(UiMouseEvents, MessagesBecomeEventsWithButtonShiftAndPosition) {
    using enum TMouseButton;
    struct {
        UINT Msg;
        WPARAM Keys;
        int X, Y;
        const char* Kind;
        TMouseButton Button;
        TShiftState Shift;
    } cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 10, 20, "down", mbLeft, ssLeft | ssShift},
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, 99, 59, "down", mbRight, ssRight | ssCtrl},
        {WM_MBUTTONDOWN, MK_MBUTTON | MK_LBUTTON, 0, 0, "down", mbMiddle, ssMiddle | ssLeft},
        {WM_LBUTTONUP, 0, 3, 4, "up", mbLeft, 0},
        {WM_RBUTTONUP, MK_SHIFT, 3, 4, "up", mbRight, ssShift},
        {WM_MBUTTONUP, MK_CONTROL | MK_SHIFT, 3, 4, "up", mbMiddle, ssCtrl | ssShift},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, 7, 8, "down", mbRight, ssRight | ssDouble},
        {WM_MBUTTONDBLCLK, MK_MBUTTON, 7, 8, "down", mbMiddle, ssMiddle | ssDouble},
        // With the mouse captured, positions left of and above the control are negative.
        {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, -5, -7, "move", mbLeft, ssLeft | ssRight},
        {WM_MOUSEMOVE, 0, 300, 200, "move", mbLeft, 0},
    };
    for (const auto& t : cases) {
        FSeen.clear();
        ::SendMessageW(FProbe->Handle(), t.Msg, t.Keys, MAKELPARAM(static_cast<WORD>(t.X), static_cast<WORD>(t.Y)));
        ASSERT_EQ(FSeen.size(), 1u) << t.Msg;
        EXPECT_EQ(FSeen[0].Kind, t.Kind) << t.Msg;
        EXPECT_EQ(FSeen[0].Button, t.Button) << t.Msg;
        EXPECT_EQ(FSeen[0].Shift, t.Shift) << t.Msg;
        EXPECT_EQ(FSeen[0].X, t.X) << t.Msg;
        EXPECT_EQ(FSeen[0].Y, t.Y) << t.Msg;
    }
}

TEST_F(UiMouseEvents, LeftDoubleClickRaisesDblClickThenADoublePress) {
    ::SendMessageW(FProbe->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 6));
    ASSERT_EQ(FSeen.size(), 2u);
    EXPECT_EQ(FSeen[0].Kind, "dblclick");
    EXPECT_EQ(FSeen[1].Kind, "down");
    EXPECT_EQ(FSeen[1].Shift, ssLeft | ssDouble);
}

TEST_F(UiMouseEvents, AltComesFromTheKeyboardState) {
    // Mouse messages carry Shift and Ctrl, not Alt.
    SetAlt(true);
    ::SendMessageW(FProbe->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    SetAlt(false);
    ::SendMessageW(FProbe->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    ASSERT_EQ(FSeen.size(), 2u);
    EXPECT_EQ(FSeen[0].Shift, ssLeft | ssAlt);
    EXPECT_EQ(FSeen[1].Shift, 0u);
}

TEST_F(UiMouseEvents, RightButtonReleaseStillOpensTheContextMenu) {
    int menus = 0;
    FProbe->OnContextPopup = [&](TObject*, POINT, bool& handled) {
        ++menus;
        handled = true;
    };
    ::SendMessageW(FProbe->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(menus, 1);
    ASSERT_EQ(FSeen.size(), 1u);
    EXPECT_EQ(FSeen[0].Kind, "up");
}

TEST_F(UiMouseEvents, ShortcutsAndMouseShareTheModifierBits) {
    // A shortcut built from the held keys reads as those keys.
    EXPECT_EQ(ShortCutToText(ShortCut('S', ssCtrl | ssShift)), "Shift+Ctrl+S");
    EXPECT_EQ(ShortCutToText(ShortCut('X', ssAlt)), "Alt+X");
    SetAlt(true);
    EXPECT_EQ(KeyboardShiftState(), static_cast<TShiftState>(ssAlt));
    EXPECT_EQ(MouseShiftState(MK_CONTROL | MK_SHIFT), ssAlt | ssCtrl | ssShift);
}

}  // namespace
