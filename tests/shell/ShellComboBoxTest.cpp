// TStShellComboBox on a real window under Wine: its items, the linked list's folder shown as a path,
// picking with the mouse or Enter, a drive change, and the indentation and icon of drawn entries.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <tuple>

#include "platform/FsFixture.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellPath_win.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/Graphics.h"
#include "ui/UiTestEnv.h"

namespace {

// Reaches the drawing the system asks for.
class TDrawnCombo : public TStShellComboBox {
public:
    using TStShellComboBox::DrawItem;
    using TStShellComboBox::TStShellComboBox;
};

class ShellComboBox : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::filesystem::create_directories("C:\\a\\b");
        Host = uitest::HostForm(700, 300);
        Box = new TDrawnCombo(Host.get(), Host.get());
        Box->SetBounds(8, 8, 636, 22);
        Box->SetDropDownCount(12);
    }
    void TearDown() override {
        Host.reset();
        uitest::Pump();
        std::error_code ec;
        std::filesystem::remove_all("C:\\a", ec);
    }
    // Links the box to a stand-in list that records what it is asked to open.
    void Link() {
        Box->ListOpenFolder = [this](const TStComboFolder& f) { Opened.push_back(f.Path); };
        Box->ListCurrentFolder = [this] { return TStComboFolder::FromPath(Current); };
        Box->OnFolderChanging = [this](TObject*, const TStComboFolder& f) { Log.push_back("changing " + f.Path); };
        Box->OnFolderSelected = [this](TObject*, const TStComboFolder& f) { Log.push_back("selected " + f.Path); };
    }
    std::string SelectedPath() {
        int i = Box->ItemIndex();
        return i >= 0 ? Box->Entries().At(i).Path : "<none>";
    }
    void Command(WORD code) {
        ::SendMessageW(Host->Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(Box->Handle()), code),
                       reinterpret_cast<LPARAM>(Box->Handle()));
    }

    std::unique_ptr<TForm> Host;
    TDrawnCombo* Box = nullptr;
    std::vector<std::string> Opened, Log;
    std::string Current = "C:\\";
};

}  // namespace

TEST_F(ShellComboBox, ItemsAreTheEntriesAndTheDesktopIsSelectedWhenUnlinked) {
    ASSERT_GT(Box->Count(), 3);
    EXPECT_EQ(Box->Entries().Texts(), Box->AllItems());
    EXPECT_EQ(0, Box->ItemIndex());
    EXPECT_EQ("1.02", Box->Version());
    EXPECT_EQ(csOwnerDrawFixed, Box->Style());
    // Its own notification watches the desktop for drives.
    TStShellNotification* n = Box->Notification();
    ASSERT_NE(nullptr, n);
    EXPECT_TRUE(n->Active());
    EXPECT_EQ(sfDesktop, n->SpecialWatchFolder());
    EXPECT_FALSE(n->WatchSubFolders());
    EXPECT_EQ((TStNotifyEventsSet{neDriveAdd, neDriveRemove, neShellDriveAdd}), n->NotifyEvents());
    // Items are as tall as the small icons or the text, whichever is more.
    EXPECT_GE(Box->ItemHeight(), ::GetSystemMetrics(SM_CYSMICON));
}

TEST_F(ShellComboBox, ListFolderShowsItsPathAndGoingToAnotherDriveRemovesIt) {
    Link();
    const int before = Box->Count();
    auto ab = TStComboFolder::FromPath("C:\\a\\b");
    Box->SelectFolder(*ab, false);
    EXPECT_EQ(before + 2, Box->Count());
    EXPECT_EQ("C:\\a\\b", SelectedPath());
    const int c = Box->Entries().IndexOfPath("C:\\");
    EXPECT_EQ("a", Box->Items(c + 1));
    EXPECT_EQ("b", Box->Items(c + 2));
    EXPECT_EQ((std::vector<std::string>{"selected C:\\a\\b"}), Log);

    auto z = TStComboFolder::FromPath("Z:\\");
    Box->SelectFolder(*z, false);
    EXPECT_EQ(before, Box->Count());
    EXPECT_EQ("Z:\\", SelectedPath());
    EXPECT_EQ((std::vector<std::string>{"selected C:\\a\\b", "changing C:\\a\\b", "selected Z:\\"}), Log);
    EXPECT_TRUE(Opened.empty());  // showing the list's folder does not open it again

    // The list moved by itself: the entry with the folder's name is selected, nothing is inserted.
    auto c2 = TStComboFolder::FromPath("C:\\");
    Box->SelectFolder(*c2, true);
    EXPECT_EQ("C:\\", SelectedPath());
    EXPECT_EQ(before, Box->Count());
    EXPECT_EQ("C:\\", Box->PreviousFolder()->Path);
}

TEST_F(ShellComboBox, PickingWithTheMouseOrEnterOpensTheFolderInTheList) {
    Link();
    Box->SelectFolder(*TStComboFolder::FromPath("C:\\a\\b"), false);
    Log.clear();
    const int c = Box->Entries().IndexOfPath("C:\\");
    // Moving through the list is not a choice.
    Box->SetItemIndex(c);
    Command(CBN_SELCHANGE);
    EXPECT_TRUE(Opened.empty());
    // The list closes on a choice.
    Command(CBN_DROPDOWN);
    Command(CBN_SELENDOK);
    Command(CBN_CLOSEUP);
    EXPECT_EQ((std::vector<std::string>{"C:\\"}), Opened);
    EXPECT_EQ((std::vector<std::string>{"changing C:\\a\\b", "selected C:\\"}), Log);
    EXPECT_EQ("C:\\", SelectedPath());
    EXPECT_EQ(-1, Box->Entries().IndexOfPath("C:\\a"));  // the path shown is the new one's
    // Closed without a choice: nothing.
    Command(CBN_DROPDOWN);
    Command(CBN_SELENDCANCEL);
    Command(CBN_CLOSEUP);
    EXPECT_EQ(1u, Opened.size());

    // Enter picks the selected entry.
    Box->SetItemIndex(Box->Entries().IndexOfPath("Z:\\"));
    Host->Show();
    Box->SetFocus();
    uitest::Pump();
    uitest::PressKey(Box->Handle(), VK_RETURN);
    EXPECT_EQ((std::vector<std::string>{"C:\\", "Z:\\"}), Opened);
}

TEST_F(ShellComboBox, DriveChangeRefillsAndListsTheCurrentFolderAgain) {
    Link();
    Current = "C:\\a\\b";
    Box->SelectFolder(*TStComboFolder::FromPath(Current), false);
    const int count = Box->Count();
    Opened.clear();
    TStNotifyItem drive{"Q:\\", "Removable (Q:)", true, nullptr};
    Box->DriveChanged(&drive);
    EXPECT_EQ(count, Box->Count());
    EXPECT_EQ("C:\\a\\b", SelectedPath());
    EXPECT_EQ((std::vector<std::string>{"C:\\a\\b"}), Opened);
}

TEST_F(ShellComboBox, EntriesAreIndentedByLevelWithTheirIcon) {
    const int c = Box->Entries().IndexOfPath("C:\\");
    ASSERT_GE(c, 0);
    // The first drawn pixel that is not the window colour, on a row through the middle.
    auto firstInk = [&](int index, unsigned state) {
        TBitmap bmp(300, 20);
        RECT r{0, 0, 300, 20};
        Box->DrawItem(index, r, state, bmp.Canvas());
        const std::uint32_t back = bmp.Pixel(299, 0);
        for (int x = 0; x < 300; ++x)
            for (int y = 0; y < 20; ++y)
                if (bmp.Pixel(x, y) != back) return x;
        return -1;
    };
    const int desktop = firstInk(0, 0);
    const int drive = firstInk(c, 0);
    const int field = firstInk(c, odComboBoxEdit);
    ASSERT_GE(desktop, 5);
    EXPECT_LT(desktop, 5 + 8);           // 5 pixels in, plus the icon's own margin
    EXPECT_EQ(drive - desktop, 2 * 12);  // a drive is two levels in
    EXPECT_EQ(field, desktop);           // the field draws every entry 5 pixels in
}

// A folder far below its drive (as deep as Wine's shell parses paths, MAX_PATH): one indented entry
// per folder of the chain, each read from the shell once.
TEST_F(ShellComboBox, DeepFolderShowsEveryAncestorOnceWithItsIndent) {
    const std::filesystem::path top = "C:\\deep";
    std::vector<std::string> names{"deep"};
    std::string relative, path = "C:\\deep";
    ASSERT_TRUE(vstest::MakeExactDir("C:\\", "deep"));
    for (int i = 1; i <= 55; ++i) {
        names.push_back("d" + std::to_string(i));
        relative += (i > 1 ? "/" : "") + names.back();
        path += "\\" + names.back();
        ASSERT_TRUE(vstest::MakeExactDir(top, relative));
    }
    struct TRemove {
        std::filesystem::path Top;
        ~TRemove() { vstest::RemoveExactTree(Top); }
    } remove{top};
    Link();
    Current = path;
    const int before = Box->Count();
    auto folder = Box->ListCurrentFolder();
    ASSERT_TRUE(folder);
    ASSERT_EQ(path, folder->Path);

    const int reads = ComboFolderReads(), levels = IdListDepth(folder->IdList.get());
    Box->SelectFolder(*folder, false);  // what the list does after it has listed the folder
    EXPECT_LE(ComboFolderReads() - reads, levels) << "a folder of the chain was read more than once";

    ASSERT_EQ(before + static_cast<int>(names.size()), Box->Count());
    const int c = Box->Entries().IndexOfPath("C:\\");
    std::string expected = "C:";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int at = c + 1 + static_cast<int>(i);
        const TStComboFolder& e = Box->Entries().At(at);
        expected += "\\" + names[i];
        SCOPED_TRACE(expected);
        EXPECT_EQ(names[i], Box->Items(at));
        EXPECT_EQ(expected, e.Path);
        EXPECT_EQ(3 + static_cast<int>(i), e.Level);
        EXPECT_TRUE(e.Inserted);
        EXPECT_GE(e.IconIndex, 0);
    }
    EXPECT_EQ(path, SelectedPath());
}

// A folder far deeper than that: every ancestor still gets its entry, by its name, with its path and
// the identifiers that lead to it, while only the first levels are read from the shell; picking one of
// them with the mouse opens that folder.
TEST_F(ShellComboBox, FarDeeperFolderListsEveryAncestorAndPickingOneOpensIt) {
    vstest::TTempDir temp;
    const int depth = 2 * kShellDirectLevels;
    const vstest::TDeepChain chain(temp.Path(), "d", depth);
    ASSERT_FALSE(chain.Deepest().empty());
    Link();
    Current = chain.Deepest();
    const int reads = ComboFolderReads();
    auto folder = Box->ListCurrentFolder();
    ASSERT_TRUE(folder);
    Box->SelectFolder(*folder, false);
    EXPECT_LE(ComboFolderReads() - reads, 2 * kShellDirectLevels) << "levels below the first ones read";

    const int levels = IdListDepth(folder->IdList.get());
    const int deepest = Box->Entries().IndexOfPath(chain.Deepest());
    ASSERT_GE(deepest, depth);
    std::string path = chain.Deepest();
    for (int i = 0; i < depth; ++i) {
        const TStComboFolder& e = Box->Entries().At(deepest - i);
        SCOPED_TRACE(path);
        EXPECT_EQ(path, e.Path);
        EXPECT_EQ("d", Box->Items(deepest - i));
        EXPECT_EQ(levels - i, e.Level);
        EXPECT_EQ(levels - i, IdListDepth(e.IdList.get()));
        EXPECT_TRUE(::ILIsParent(e.IdList.get(), folder->IdList.get(), FALSE));
        EXPECT_GE(e.IconIndex, 0);
        path.resize(path.find_last_of('\\'));
    }
    EXPECT_EQ(temp.Utf8(), Box->Entries().At(deepest - depth).Path);

    // The list's own folder, as the list hands it over, is the same folder, read from nothing.
    const int before = ComboFolderReads();
    auto own = TStComboFolder::FromFolder(folder->IdList.get(), chain.Deepest());
    ASSERT_TRUE(own);
    EXPECT_EQ(before, ComboFolderReads());
    EXPECT_EQ(std::make_tuple(folder->Path, folder->DisplayName, folder->Level, folder->FileSystem),
              std::make_tuple(own->Path, own->DisplayName, own->Level, own->FileSystem));
    EXPECT_TRUE(::ILIsEqual(folder->IdList.get(), own->IdList.get()));
    EXPECT_EQ(folder->IconIndex, own->IconIndex);

    // The folder 10 levels up, picked with the mouse, opens, and the shell names it by its own path.
    Log.clear();
    const int pick = deepest - 10;
    const std::string picked = Box->Entries().At(pick).Path;
    Box->SetItemIndex(pick);
    Command(CBN_DROPDOWN);
    Command(CBN_SELENDOK);
    Command(CBN_CLOSEUP);
    EXPECT_EQ((std::vector<std::string>{picked}), Opened);
    EXPECT_EQ(picked, SelectedPath());
    const int again = Box->Entries().IndexOfPath(picked);
    ASSERT_GE(again, 0);
    TOwnedIdList parsed(ParseShellPath(picked));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(::ILIsEqual(parsed.get(), Box->Entries().At(again).IdList.get()));
}

// A folder past MAX_PATH in fewer levels than the shell is given at once: the shell cuts such a path, so
// it gets only the levels below MAX_PATH, and every entry still has its own name and path.
TEST_F(ShellComboBox, FolderPastMaxPathInFewLevelsListsEveryAncestorByItsName) {
    vstest::TTempDir temp;
    const int depth = 40;
    const vstest::TDeepChain chain(temp.Path(), "long folder name", depth);
    ASSERT_FALSE(chain.Deepest().empty());
    ASSERT_GT(chain.Deepest().size(), static_cast<std::size_t>(MAX_PATH));
    Link();
    // The folder as the main window hands it over from the list: its identifiers and its path.
    TOwnedIdList ids(ParseShellPath(chain.Deepest()));
    auto folder = TStComboFolder::FromFolder(ids.get(), chain.Deepest());
    ASSERT_TRUE(folder);
    Box->SelectFolder(*folder, false);
    EXPECT_EQ(chain.Deepest(), SelectedPath());
    EXPECT_EQ("long folder name", Box->Text());
    const int deepest = Box->Entries().IndexOfPath(chain.Deepest());
    ASSERT_GE(deepest, depth);
    std::string path = chain.Deepest();
    for (int i = 0; i < depth; ++i, path.resize(path.find_last_of('\\'))) {
        SCOPED_TRACE(path);
        EXPECT_EQ(path, Box->Entries().At(deepest - i).Path);
        EXPECT_EQ("long folder name", Box->Items(deepest - i));
    }
    EXPECT_EQ(temp.Utf8(), Box->Entries().At(deepest - depth).Path);
}

TEST_F(ShellComboBox, DropDownScreenshot) {
    VS_SCREENSHOT_ONLY();
    Link();
    Box->SelectFolder(*TStComboFolder::FromPath("C:\\a\\b"), false);
    Host->Show();
    ::SendMessageW(Box->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    uitest::Pump(300);
    EXPECT_TRUE(uitest::SaveWindowShot(Host->Handle(), "shell-combo-dropdown"));
    ::SendMessageW(Box->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
}
