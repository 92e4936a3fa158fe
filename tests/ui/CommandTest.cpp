// Actions and what is bound to them, keyboard routing, the busy guard, menus, timers and the
// standard error report.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/ImageList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestEnv.h"

namespace {

struct TCommandForm : TForm {
    explicit TCommandForm(TComponent* owner) : TForm(owner, bsSizeable) {
        SetClientSize(500, 300);
        Images = new TImageList(this, 4, [](int i, int size, std::uint32_t* px) {
            for (int p = 0; p < size * size; ++p) px[p] = 0xFF000000u | (0x40u * (i + 1));
        });
        Actions = new TActionList(this);
        Actions->SetImages(Images);
        Toggle = Make("actToggle", "Toggle", "Toggle it", 1, ShortCut('T', ssCtrl));
        Toggle->SetChecked(true);
        Toggle->OnExecute = [this](TObject*) {
            ++Runs;
            Toggle->SetChecked(!Toggle->Checked());
        };
        Red = Make("actRed", "Red", "Red hint", 2, 0);
        Green = Make("actGreen", "Green", "Green hint", 3, ShortCut('G', ssCtrl | ssShift));
        Red->SetGroupIndex(5);
        Green->SetGroupIndex(5);
        Red->OnExecute = [this](TObject* s) { LastSender = s; };
        Green->OnExecute = [this](TObject* s) { LastSender = s; };
        Menu = new TPopupMenu(this);
        RedItem = new TMenuItem(Menu, "RedItem");
        RedItem->SetAction(Red);
        RedItem->SetRadioItem(true);
        RedItem->SetGroupIndex(1);
        RedItem->SetDefault(true);
        new TMenuItem(Menu, "Sep", "-");
        GreenItem = new TMenuItem(Menu, "GreenItem");
        GreenItem->SetAction(Green);
        GreenItem->SetRadioItem(true);
        GreenItem->SetGroupIndex(1);
        Bar = new TToolBar(this, this);
        Bar->SetBounds(0, 0, 500, 25);
        Bar->SetAlign(alTop);
        Bar->SetImages(Images);
        ToggleButton = Bar->AddButton("ToggleButton", Toggle);
        Bar->AddSeparator("Sep1", 8);
        Combo = new TComboBox(this, Bar);
        Combo->SetWidth(99);
        ComboPlace = Bar->AddControl("ComboPlace", Combo);
        DropButton = Bar->AddButton("DropButton", Red, tbsDropDown);
        DropButton->SetDropdownMenu(Menu);
        Panel = new TPanel(this, this);
        Panel->SetAlign(alClient);
        Speed = new TSpeedButton(this, Panel);
        Speed->SetBounds(10, 10, 60, 22);
        Speed->SetAction(Toggle);
        Caption = new TLabel(this, Panel);
        Caption->SetBounds(10, 40, 80, 13);
        Caption->SetCaption("&Pick one");
        List = new TListView(this, Panel);
        List->SetBounds(10, 60, 300, 150);
        Caption->SetFocusControl(List);
        Status = new TStatusBar(this, this);
        Status->SetHeight(19);
        Status->SetAlign(alBottom);
    }
    TAction* Make(const char* name, const char* caption, const char* hint, int image, TShortCut sc) {
        auto* a = new TAction(Actions, name);
        a->SetCaption(caption);
        a->SetHint(hint);
        a->SetImageIndex(image);
        a->SetShortCut(sc);
        return a;
    }
    TImageList* Images;
    TActionList* Actions;
    TAction *Toggle, *Red, *Green;
    TPopupMenu* Menu;
    TMenuItem *RedItem, *GreenItem;
    TToolBar* Bar;
    TToolButton *ToggleButton, *ComboPlace, *DropButton;
    TComboBox* Combo;
    TPanel* Panel;
    TSpeedButton* Speed;
    TLabel* Caption;
    TListView* List;
    TStatusBar* Status;
    int Runs = 0;
    TObject* LastSender = nullptr;
};

class UiCommands : public ::testing::Test {
protected:
    void SetUp() override {
        F = Application->CreateForm<TCommandForm>();
        F->Show();
        uitest::Pump();
        uitest::TakeBoxes();
    }
    void TearDown() override {
        delete F;
        uitest::Pump();
    }
    TCommandForm* F = nullptr;
};

}  // namespace

TEST_F(UiCommands, BoundControlsFollowTheAction) {
    EXPECT_EQ("Toggle", F->Speed->Caption());
    EXPECT_EQ("Toggle it", F->Speed->Hint());
    EXPECT_EQ(1, F->Speed->ImageIndex());
    EXPECT_TRUE(F->ToggleButton->Down());
    EXPECT_EQ("Toggle it", F->ToggleButton->Hint());
    F->Toggle->SetChecked(false);
    EXPECT_FALSE(F->ToggleButton->Down());
    F->Toggle->SetCaption("Renamed");
    EXPECT_EQ("Renamed", F->Speed->Caption());
    F->Toggle->SetEnabled(false);
    EXPECT_FALSE(F->Speed->Enabled());
    // A disabled action does not run, from any control.
    F->Speed->Click();
    EXPECT_EQ(0, F->Runs);
    F->Toggle->SetEnabled(true);
    F->Speed->Click();
    EXPECT_EQ(1, F->Runs);
    EXPECT_TRUE(F->ToggleButton->Down());
}

TEST_F(UiCommands, GroupedActionsAndRadioItemsCheckOneAtATime) {
    F->Red->SetChecked(true);
    EXPECT_TRUE(F->RedItem->Checked());
    F->Green->SetChecked(true);
    EXPECT_FALSE(F->Red->Checked());
    EXPECT_FALSE(F->RedItem->Checked());
    EXPECT_TRUE(F->GreenItem->Checked());
    // The menu as it would open: radio marks, the check, the bold default, the shortcut text.
    HMENU m = F->Menu->BuildMenu();
    ASSERT_EQ(3, ::GetMenuItemCount(m));
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoW(m, 0, TRUE, &mi);
    EXPECT_TRUE(mi.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(mi.fState & MFS_DEFAULT);
    EXPECT_FALSE(mi.fState & MFS_CHECKED);
    ::GetMenuItemInfoW(m, 1, TRUE, &mi);
    EXPECT_TRUE(mi.fType & MFT_SEPARATOR);
    ::GetMenuItemInfoW(m, 2, TRUE, &mi);
    EXPECT_TRUE(mi.fState & MFS_CHECKED);
    wchar_t text[64] = {};
    ::GetMenuStringW(m, 2, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"Green\tShift+Ctrl+G", text);
    ::DestroyMenu(m);
    // Choosing an item runs its action with the action as sender.
    F->RedItem->Click();
    EXPECT_EQ(F->Red, F->LastSender);
}

TEST_F(UiCommands, ShortcutsActWhicheverControlHasTheFocus) {
    F->List->SetFocus();
    uitest::PressKey(F->List->Handle(), 'T', ssCtrl);
    EXPECT_EQ(1, F->Runs);
    // In the edit field of the combo box too, and with two modifiers.
    F->Combo->SetFocus();
    HWND edit = ::GetFocus();
    uitest::PressKey(edit, 'G', ssCtrl | ssShift);
    EXPECT_EQ(F->Green, F->LastSender);
    // The plain letter is typing, not a command.
    uitest::PressKey(edit, 'T', 0, L't');
    EXPECT_EQ(1, F->Runs);
    EXPECT_EQ("t", F->Combo->Text());
}

TEST_F(UiCommands, KeyPreviewSeesCharactersFirstAndCanSwallowThem) {
    std::vector<std::string> order;
    F->SetKeyPreview(true);
    F->OnKeyPress = [&](TObject*, wchar_t& key) {
        order.push_back("form");
        if (key == L'x') key = 0;
    };
    F->Combo->OnKeyPress = [&](TObject*, wchar_t&) { order.push_back("combo"); };
    F->Combo->SetFocus();
    HWND edit = ::GetFocus();
    uitest::PressKey(edit, 'A', 0, L'a');
    uitest::PressKey(edit, 'X', 0, L'x');
    EXPECT_EQ((std::vector<std::string>{"form", "combo", "form"}), order);
    EXPECT_EQ("a", F->Combo->Text());
}

TEST_F(UiCommands, LabelAcceleratorFocusesItsControl) {
    F->Combo->SetFocus();
    uitest::PressAltKey(F->Combo->Handle(), L'p');
    EXPECT_TRUE(F->List->Focused());
    // A letter no label claims changes nothing.
    F->Combo->SetFocus();
    uitest::PressAltKey(F->Combo->Handle(), L'q');
    EXPECT_TRUE(F->Combo->Focused());
}

TEST_F(UiCommands, BusyGuardHoldsCommandsBackUntilTheOperationEnds) {
    {
        TBusyScope busy;
        EXPECT_TRUE(Application->Busy());
        // Pressed twice while busy: held back once, not run inside the operation.
        EXPECT_TRUE(F->Toggle->Execute());
        F->ToggleButton->Click();
        uitest::Pump(20);
        EXPECT_EQ(0, F->Runs);
        // An action marked safe runs at once.
        F->Red->SetRunsWhileBusy(true);
        F->Red->Execute();
        EXPECT_EQ(F->Red, F->LastSender);
        // Closing waits too.
        F->Close();
        EXPECT_TRUE(::IsWindowVisible(F->Handle()));
        {
            TBusyScope nested;  // the outer operation's end is what counts
        }
        uitest::Pump(20);
        EXPECT_EQ(0, F->Runs);
    }
    EXPECT_FALSE(Application->Busy());
    uitest::Pump(20);
    EXPECT_EQ(1, F->Runs);
    EXPECT_FALSE(::IsWindowVisible(F->Handle()));
}

TEST_F(UiCommands, ToolButtonFaceRunsTheActionAndArrowOpensTheMenu) {
    int popups = 0;
    F->Menu->OnPopup = [&](TObject*) {
        ++popups;
        // Close the menu from inside its own loop.
        ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            ::EndMenu();
        });
    };
    RECT r = F->DropButton->ItemRect();
    HWND bar = F->Bar->Handle();
    // The face: the button's left part.
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));
    uitest::Pump(50);
    EXPECT_EQ(F->Red, F->LastSender);
    EXPECT_EQ(0, popups);
    // The arrow: the last few pixels.
    F->LastSender = nullptr;
    ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right - 3, (r.top + r.bottom) / 2));
    ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(r.right - 3, (r.top + r.bottom) / 2));
    uitest::Pump(200);
    EXPECT_EQ(1, popups);
    EXPECT_EQ(nullptr, F->LastSender);
}

TEST_F(UiCommands, ToolBarHostsTheControlAtItsPosition) {
    EXPECT_EQ(4, F->Bar->SystemButtonCount());
    EXPECT_EQ(F->Combo, F->ComboPlace->HostedControl());
    RECT place = F->ComboPlace->ItemRect();
    EXPECT_EQ(place.left, F->Combo->Left());
    EXPECT_EQ(99, place.right - place.left);
    // The buttons after it start where it ends.
    EXPECT_GE(F->DropButton->ItemRect().left, place.right);
}

TEST(UiErrorReport, AppendsAPeriodOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ("Unable to write to C:\\x\\voluscope.ini.", StandardErrorText("Unable to write to C:\\x\\voluscope.ini"));
    EXPECT_EQ("Done.", StandardErrorText("Done."));
    EXPECT_EQ("", StandardErrorText(""));
    EXPECT_EQ("Failed (code 5)", StandardErrorText("Failed (code 5)"));  // ')' sorts before '.'
    EXPECT_EQ("Wait!", StandardErrorText("Wait!"));
    EXPECT_EQ("Version 1.4/.", StandardErrorText("Version 1.4/"));  // '/' sorts after '.'
    EXPECT_EQ("Number 7.", StandardErrorText("Number 7"));
    EXPECT_EQ("Ende \xC3\xA4.", StandardErrorText("Ende \xC3\xA4"));  // bytes above 127 sort after '.'
}

TEST(UiErrorReport, HandledExceptionsShowTheStandardBox) {
    uitest::TakeBoxes();
    try {
        throw Exception("Invalid folder");
    } catch (...) {
        Application->HandleException();
    }
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_EQ("Voluscope", box.Caption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONERROR), box.Flags);
}

TEST(UiErrorReport, AnExceptionInAWindowProcedureIsReportedAndTheProgramGoesOn) {
    auto* f = Application->CreateForm<TForm>();
    uitest::TakeBoxes();
    f->OnClose = [](TObject*, TCloseAction&) { throw Exception("Unable to write to X"); };
    f->Show();
    ::SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Unable to write to X.", box.Text);
    // The failed close did not complete.
    EXPECT_TRUE(::IsWindowVisible(f->Handle()));
    delete f;
}

TEST(UiTimer, OneShotFiresOnceAndRestartPostpones) {
    TTimer timer(nullptr);
    int fired = 0;
    timer.OnTimer = [&](TObject*) { ++fired; };
    timer.SetOneShot(true);
    timer.SetInterval(30);
    timer.SetEnabled(true);
    uitest::Pump(150);
    EXPECT_EQ(1, fired);
    EXPECT_FALSE(timer.Enabled());
    // A repeating timer fires again until disabled.
    timer.SetOneShot(false);
    timer.SetEnabled(true);
    uitest::Pump(200);
    timer.SetEnabled(false);
    EXPECT_GE(fired, 3);
    int now = fired;
    uitest::Pump(100);
    EXPECT_EQ(now, fired);
}

TEST_F(UiCommands, ListViewsServePlainAndVirtualRows) {
    F->List->AddColumn("Name", 100);
    F->List->AddColumn("Size", 60, taRightJustify);
    EXPECT_EQ(2, F->List->ColumnCount());
    EXPECT_EQ(taRightJustify, F->List->ColumnAlignment(1));
    F->List->AddItem({"a.txt", {"1 KB"}, 2}, 42);
    F->List->AddItem({"b.txt", {"2 KB"}, -1});
    ASSERT_EQ(2, F->List->ItemCount());
    TListItemData row = F->List->Item(0);
    EXPECT_EQ("a.txt", row.Caption);
    EXPECT_EQ("1 KB", row.SubItems.at(0));
    EXPECT_EQ(2, row.ImageIndex);
    EXPECT_EQ(42, F->List->ItemData(0));
    std::vector<std::pair<int, bool>> selections;
    F->List->OnSelectItem = [&](TObject*, int i, bool s) { selections.push_back({i, s}); };
    F->List->SetSelected(1);
    EXPECT_EQ(1, F->List->SelectedIndex());
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(std::make_pair(1, true), selections.back());
    EXPECT_THROW(F->List->Item(5), Exception);

    TListViewOptions options;
    options.OwnerData = true;
    options.MultiSelect = true;
    auto* v = new TListView(F, F->Panel, options);
    v->SetBounds(320, 60, 150, 150);
    v->AddColumn("Name", 80);
    v->AddColumn("Kind", 60);
    int asked = 0;
    v->OnData = [&](TObject*, int index, TListItemData& item) {
        ++asked;
        item.Caption = "row " + std::to_string(index);
        item.SubItems = {index % 2 ? "odd" : "even"};
    };
    v->SetItemCount(100000);
    EXPECT_EQ(100000, v->ItemCount());
    EXPECT_EQ("row 99999", v->Item(99999).Caption);
    EXPECT_EQ("odd", v->Item(99999).SubItems.at(0));
    EXPECT_GT(asked, 0);
    EXPECT_LT(asked, 1000);  // only what is asked for, never the whole list
}

TEST_F(UiCommands, StatusBarPanelsAndComboItems) {
    F->Status->AddPanel(100);
    F->Status->AddPanel(80);
    F->Status->AddPanel(50);
    F->Status->SetPanelWidth(0, 260);
    EXPECT_EQ((std::vector<int>{260, 340, -1}), F->Status->SystemPartEdges());
    F->Status->SetPanelText(1, "12 objects");
    EXPECT_EQ("12 objects", F->Status->PanelText(1));
    wchar_t text[64] = {};
    ::SendMessageW(F->Status->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(L"12 objects", text);

    for (const char* s : {"*.*", "*.bak", "*.tmp"}) F->Combo->Add(s);
    F->Combo->SetItemIndex(0);
    EXPECT_EQ("*.*", F->Combo->Text());
    // Clearing the items keeps the text shown.
    F->Combo->Clear();
    EXPECT_EQ(0, F->Combo->Count());
    EXPECT_EQ("*.*", F->Combo->Text());
    int clicks = 0;
    F->Combo->OnClick = [&](TObject*) { ++clicks; };
    F->Combo->Add("*.doc");
    ::SendMessageW(F->Combo->Handle(), CB_SETCURSEL, 0, 0);
    // The combo box is the tool bar's child: its notices reach the bar, which hands them on.
    ::SendMessageW(F->Bar->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(F->Combo->Handle()));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ("*.doc", F->Combo->Items(0));
}

TEST_F(UiCommands, TabMovesTheFocusThroughNestedControls) {
    F->List->SetFocus();
    uitest::PressKey(::GetFocus(), VK_TAB);
    EXPECT_FALSE(F->List->Focused());
    HWND afterList = ::GetFocus();
    // Shift+Tab goes back to where it came from, also across the tool bar and the panel.
    uitest::PressKey(afterList, VK_TAB, ssShift);
    EXPECT_TRUE(F->List->Focused());
    std::set<HWND> seen;
    for (int i = 0; i < 6; ++i) {
        uitest::PressKey(::GetFocus(), VK_TAB);
        seen.insert(::GetFocus());
    }
    EXPECT_TRUE(seen.count(F->List->Handle()));
    EXPECT_TRUE(F->Combo->Focused() ||
                std::any_of(seen.begin(), seen.end(), [&](HWND w) { return ::IsChild(F->Combo->Handle(), w); }));
}

TEST_F(UiCommands, ListRowsColourRenameAndContextMenu) {
    F->List->AddColumn("Name", 100);
    for (const char* n : {"one", "two", "three"}) F->List->AddItem({n, {}, -1});
    std::set<int> coloured;
    F->List->OnItemColor = [&](TObject*, int index) {
        coloured.insert(index);
        return index == 1 ? clBlue : clNone;
    };
    ::RedrawWindow(F->List->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ((std::set<int>{0, 1, 2}), coloured);

    // Renaming: the handler sees the new text and may refuse it.
    std::string edited;
    F->List->OnEdited = [&](TObject*, int index, const std::string& text, bool& accept) {
        edited = std::to_string(index) + ":" + text;
        accept = text != "bad";
    };
    auto endEdit = [&](const wchar_t* text) {
        NMLVDISPINFOW info{};
        info.hdr.hwndFrom = F->List->Handle();
        info.hdr.idFrom = 0;
        info.hdr.code = LVN_ENDLABELEDITW;
        info.item.iItem = 2;
        std::wstring buf = text ? text : L"";
        info.item.pszText = text ? buf.data() : nullptr;
        return ::SendMessageW(F->Panel->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    };
    EXPECT_EQ(TRUE, endEdit(L"drei"));
    EXPECT_EQ("2:drei", edited);
    EXPECT_EQ(FALSE, endEdit(L"bad"));
    edited.clear();
    EXPECT_EQ(FALSE, endEdit(nullptr));  // cancelled: the handler is not asked
    EXPECT_EQ("", edited);

    POINT asked{0, 0};
    F->List->OnContextPopup = [&](TObject*, POINT at, bool& handled) {
        asked = at;
        handled = true;
    };
    ::SendMessageW(F->List->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(F->List->Handle()),
                   MAKELPARAM(300, 200));
    EXPECT_EQ(300, asked.x);
    EXPECT_EQ(200, asked.y);
}

TEST_F(UiCommands, ToolTipsShowTheActionsHints) {
    HWND tips = reinterpret_cast<HWND>(::SendMessageW(F->Bar->Handle(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(nullptr, tips);
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = tips;
    info.hdr.idFrom = F->ToggleButton->CommandId();
    info.hdr.code = TTN_GETDISPINFOW;
    ::SendMessageW(F->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(nullptr, info.lpszText);
    EXPECT_STREQ(L"Toggle it", info.lpszText);
    F->Toggle->SetHint("Changed");
    ::SendMessageW(F->Bar->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(L"Changed", info.lpszText);
}

TEST(UiBusyGuard, AHeldBackActionThatGoesMeanwhileDoesNotRun) {
    TActionList list(nullptr);
    int runs = 0;
    {
        TBusyScope busy;
        auto* a = new TAction(&list, "actGone");
        a->OnExecute = [&](TObject*) { ++runs; };
        a->Execute();
        delete a;
    }
    uitest::Pump(20);
    EXPECT_EQ(0, runs);
}

TEST(UiErrorReport, AnErrorWhileShowingIsReportedAndTheWindowStillShows) {
    auto* f = Application->CreateForm<TForm>();
    uitest::TakeBoxes();
    f->OnShow = [](TObject*) { throw Exception("Invalid folder"); };
    f->Show();
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_TRUE(::IsWindowVisible(f->Handle()));
    delete f;
}

namespace {
struct TLoopCount {
    int Messages = 0;
    int Paints = 0;
};

// Runs the application's message loop (as TApplication::Run does: messages, then idle work, then
// wait) for about ms milliseconds and counts what it handled.
TLoopCount RunLoopFor(int ms) {
    TLoopCount count;
    DWORD end = ::GetTickCount() + ms;
    for (int left = ms; left > 0; left = static_cast<int>(end - ::GetTickCount())) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++count.Messages;
            if (msg.message == WM_PAINT) ++count.Paints;
            Application->HandleMessage(msg);
        } else {
            Application->Idle();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        }
    }
    return count;
}

// Whether a window (or one inside it) waits to be repainted.
bool WantsRepaint(HWND wnd) {
    if (::GetUpdateRect(wnd, nullptr, FALSE)) return true;
    for (HWND c = ::GetWindow(wnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (WantsRepaint(c)) return true;
    return false;
}
}  // namespace

TEST_F(UiCommands, AnIdleWindowWithActionUpdatesPaintsNothingAndWaits) {
    // Idle-time updates that state what is already so, as the main window's do.
    int updates = 0;
    F->Toggle->OnUpdate = [this, &updates](TObject*) {
        ++updates;
        F->Speed->SetCaption(F->Toggle->Caption());
        F->Toggle->SetChecked(F->Toggle->Checked());
        F->Toggle->SetEnabled(true);
        F->Red->SetCaption("Red");
        F->Red->SetHint("Red hint");
        F->Red->SetShortCut(0);
        F->Caption->SetCaption("&Pick one");
        F->Panel->SetColor(F->Panel->Color());
        F->Status->SetPanelText(0, "Ready");
        F->Combo->SetText("");
    };
    F->Status->AddPanel(100);
    F->Status->SetPanelText(0, "Ready");
    F->Panel->SetColor(RGB(200, 200, 240));
    RunLoopFor(300);  // settles: first paints, the first updates
    updates = 0;
    TLoopCount idle = RunLoopFor(1000);
    EXPECT_EQ(0, idle.Paints);
    EXPECT_LE(idle.Messages, 5);
    EXPECT_LE(updates, 5) << "the loop keeps waking up";
}

TEST_F(UiCommands, SettingAPropertyToItsValueAsksForNoRepaint) {
    struct TCase {
        const char* Name;
        HWND Window;
        std::function<void()> Same;
        std::function<void()> Changed;
    };
    F->Combo->Add("One");
    F->Combo->Add("Two");
    F->Combo->SetItemIndex(0);
    const TCase cases[] = {
        {"caption", F->Speed->Handle(), [&] { F->Speed->SetCaption("Toggle"); },
         [&] { F->Speed->SetCaption("Other"); }},
        {"enabled", F->Speed->Handle(), [&] { F->Speed->SetEnabled(true); }, [&] { F->Speed->SetEnabled(false); }},
        {"colour", F->Panel->Handle(), [&] { F->Panel->SetColor(F->Panel->Color()); },
         [&] { F->Panel->SetColor(RGB(1, 2, 3)); }},
        {"font", F->Caption->Handle(), [&] { F->Caption->SetFont(F->Caption->Font()); },
         [&] {
             TFont bold = F->Caption->Font();
             bold.Style = 1;
             F->Caption->SetFont(bold);
         }},
        {"label caption", F->Caption->Handle(), [&] { F->Caption->SetCaption(F->Caption->Caption()); },
         [&] { F->Caption->SetCaption("&Another"); }},
        {"bevel", F->Panel->Handle(), [&] { F->Panel->SetBevelOuter(F->Panel->BevelOuter()); },
         [&] { F->Panel->SetBevelOuter(bvLowered); }},
        {"action checked", F->Bar->Handle(), [&] { F->Toggle->SetChecked(F->Toggle->Checked()); },
         [&] { F->Toggle->SetChecked(!F->Toggle->Checked()); }},
        {"action enabled", F->Bar->Handle(), [&] { F->Red->SetEnabled(true); }, [&] { F->Red->SetEnabled(false); }},
        {"combo item", F->Combo->Handle(), [&] { F->Combo->SetItemIndex(0); }, [&] { F->Combo->SetItemIndex(1); }},
        {"form caption", F->Handle(), [&] { F->SetCaption(F->TForm::Caption()); }, [&] { F->SetCaption("Renamed"); }},
    };
    F->SetCaption("Commands");
    // Their own colour and font, not the parent's: setting them again changes nothing.
    F->Panel->SetColor(RGB(200, 200, 240));
    F->Caption->SetFont(F->Caption->Font());
    for (const TCase& c : cases) {
        ::RedrawWindow(F->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        uitest::Pump();
        ASSERT_FALSE(WantsRepaint(F->Handle())) << c.Name;
        c.Same();
        EXPECT_FALSE(WantsRepaint(c.Window)) << c.Name << ": same value";
        c.Changed();
        EXPECT_TRUE(WantsRepaint(c.Window)) << c.Name << ": new value";
    }
}
