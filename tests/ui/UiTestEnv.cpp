#include "ui/UiTestEnv.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/ScreenShot_win.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace uitest {
namespace {
MSG Message(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    MSG m{};
    m.hwnd = wnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = ::GetTickCount();
    return m;
}

std::vector<TShownBox> GBoxes;
int GAnswer = IDOK;

class TUiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        Application->SetMessageBoxHook([](const std::string& text, const std::string& caption, unsigned flags) {
            GBoxes.push_back({text, caption, flags});
            return GAnswer;
        });
    }
};

const auto* const GEnv = ::testing::AddGlobalTestEnvironment(new TUiEnvironment);

void SetKeys(unsigned shift, bool down) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    auto set = [&](int vk, bool on) { keys[vk] = on ? 0x80 : 0; };
    set(VK_CONTROL, down && (shift & ssCtrl));
    set(VK_LCONTROL, down && (shift & ssCtrl));
    set(VK_SHIFT, down && (shift & ssShift));
    set(VK_LSHIFT, down && (shift & ssShift));
    set(VK_MENU, down && (shift & ssAlt));
    set(VK_LMENU, down && (shift & ssAlt));
    ::SetKeyboardState(keys);
}
}  // namespace

std::unique_ptr<TForm> HostForm(int clientWidth, int clientHeight) {
    auto form = std::make_unique<TForm>(nullptr, bsSingle);
    form->SetClientSize(clientWidth, clientHeight);
    form->AfterConstruction();
    return form;
}

std::vector<TShownBox> TakeBoxes() {
    std::vector<TShownBox> out;
    out.swap(GBoxes);
    return out;
}

void SetBoxAnswer(int answer) {
    GAnswer = answer;
}

::testing::AssertionResult TakeOneBox(TShownBox& box) {
    std::vector<TShownBox> boxes = TakeBoxes();
    box = boxes.size() == 1 ? boxes[0] : TShownBox{};
    if (boxes.size() == 1) return ::testing::AssertionSuccess();
    std::string texts;
    for (const TShownBox& b : boxes) texts += "\n  \"" + b.Text + "\"";
    return ::testing::AssertionFailure() << "expected one message box, got " << boxes.size() << texts;
}

TShownBox TakeOneBox() {
    TShownBox box;
    EXPECT_TRUE(TakeOneBox(box));
    return box;
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        Pump(50);
    }
    return done();
}

void Pump(int ms) {
    Application->ProcessMessages();
    DWORD end = ::GetTickCount() + ms;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Application->ProcessMessages();
    }
}

void PressKey(HWND target, WORD vk, unsigned shift, wchar_t ch) {
    SetKeys(shift, true);
    // With Alt held (and not Ctrl) the keyboard sends the system key messages, context bit set.
    const bool sys = (shift & ssAlt) && !(shift & ssCtrl);
    const LPARAM context = sys ? 0x20000000 : 0;
    // Messages run through the application's loop in order, with the modifier state held.
    MSG msg = Message(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1 | context);
    Application->HandleMessage(msg);
    // TranslateMessage posted any character; run it while the modifiers are still down.
    // With an explicit character, that one replaces whatever the translation gave.
    MSG posted;
    while (::PeekMessageW(&posted, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE))
        if (!ch) Application->HandleMessage(posted);
    if (ch) {
        MSG c = Message(target, WM_CHAR, ch, 1);
        Application->HandleMessage(c);
    }
    MSG up = Message(target, sys ? WM_SYSKEYUP : WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001) | context);
    Application->HandleMessage(up);
    SetKeys(shift, false);
    Application->ProcessMessages();
}

void PressAltKey(HWND target, wchar_t letter) {
    SetKeys(ssAlt, true);
    MSG msg = Message(target, WM_SYSCHAR, letter, static_cast<LPARAM>(0x20000001));
    Application->HandleMessage(msg);
    SetKeys(ssAlt, false);
    Application->ProcessMessages();
}

::testing::AssertionResult ClickListHeader(HWND listView, int column) {
    HWND header = ListView_GetHeader(listView);
    RECT r{};
    if (!Header_GetItemRect(header, column, &r)) return ::testing::AssertionFailure() << "no column " << column;
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(header, WM_LBUTTONUP, 0, at);
    Pump();
    return ::testing::AssertionSuccess();
}

bool SaveWindowShot(HWND wnd, const std::string& name) {
    ::SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    Pump(300);
    return vstest::SaveScreenRect(wnd, name);
}

unsigned ScreenPixel(HWND wnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(wnd, &p);
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, p.x, p.y);
    ::ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

}  // namespace uitest
