// Browsing in the main window on the real folder list: the filter box and its masks, start-up with
// and without a folder, folder sizes on and off, the shortcuts folder with real shortcut files, the
// status bar's summaries, and the volume table opening a volume.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "app/Settings.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "browser/BrowseTexts.h"
#include "platform/DirList.h"
#include "platform/FsFixture.h"
#include "platform/Locale.h"
#include "platform/Volumes.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

// Files of a folder with known sizes: names chosen for the matcher's corners.
const char* const kFiles[] = {"readme",     "a.bak",    "b.BAK",  "a.bak2", "a.txt", "a.ba", "report.~doc",
                              "report.doc", "data.txt", "dat.tx", "ax.c",   "bx.c",  "x.c"};

class Browse : public ::testing::Test {
protected:
    void SetUp() override {
        Ini = vstest::Utf8Path(SettingsFilePath(ExeFileName()));
        std::error_code ec;
        fs::remove(Ini, ec);
        fs::remove_all(vstest::Utf8Path(ExeFolder() + "shortcuts"), ec);
        NewForm();
    }
    void TearDown() override {
        delete F;
        uitest::DeleteStartupWindows();
        // The temporary folder's clean-up cannot remove a name ending in ".": it goes the way it came.
        if (HaveDotted) ::DeleteFileW((L"\\\\?\\" + (Dir.Path() / "name.").wstring()).c_str());
        std::error_code ec;
        fs::remove(Ini, ec);
        fs::remove_all(vstest::Utf8Path(ExeFolder() + "shortcuts"), ec);
        uitest::Pump();
    }
    void NewForm() {
        F = Application->CreateForm<TMainForm>();
        TNotifyEvent before = F->ListOnBeforeFill;
        F->ListOnBeforeFill = [this, before](TObject* s) {
            ++Fills;
            if (before) before(s);
        };
        uitest::TakeBoxes();
    }
    // The tree: the files above (size = 10 + position), .hidden, and a folder "sub" holding
    // inner.txt (100 bytes) and deep\d1\file.bin (5000 bytes).
    void MakeTree() {
        for (std::size_t i = 0; i < std::size(kFiles); ++i) Dir.WriteFile(kFiles[i], 10 + i);
        Dir.WriteFile(".hidden", 7);
        Dir.WriteFile("sub\\inner.txt", 100);
        Dir.WriteFile("sub\\deep\\d1\\file.bin", 5000);
        // A name ending in "." needs the prefix that turns off the system's path clean-up.
        std::wstring dotted = L"\\\\?\\" + (Dir.Path() / "name.").wstring();
        TFileHandle h(::CreateFileW(dotted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        HaveDotted = h.Get() != INVALID_HANDLE_VALUE;
    }
    void Open(const std::string& path) {
        F->OpenFolder(path);
        uitest::Pump();
    }
    void EnterMask(const std::string& text) {
        F->FilterCombo->SetText(text);
        HWND edit = ::FindWindowExW(F->FilterCombo->Handle(), nullptr, L"Edit", nullptr);
        uitest::PressKey(edit ? edit : F->FilterCombo->Handle(), VK_RETURN, 0, 13);
        uitest::Pump();
    }
    int MaskIndex(const std::string& mask) {
        std::vector<std::string> items = F->FilterCombo->AllItems();
        auto it = std::find(items.begin(), items.end(), mask);
        EXPECT_NE(items.end(), it) << mask;
        return it == items.end() ? -1 : static_cast<int>(it - items.begin());
    }
    // Drops the filter box's list down and clicks the mask's entry, as the mouse does.
    void PickMaskWithMouse(const std::string& mask) {
        const int index = MaskIndex(mask);
        if (index < 0) return;
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(::GetComboBoxInfo(F->FilterCombo->Handle(), &info));
        ::SendMessageW(F->FilterCombo->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
        uitest::Pump();
        ASSERT_TRUE(F->FilterCombo->DroppedDown());
        RECT r{};
        ::SendMessageW(info.hwndList, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageW(info.hwndList, WM_MOUSEMOVE, 0, at);
        ::SendMessageW(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(info.hwndList, WM_LBUTTONUP, 0, at);
        uitest::Pump();
        EXPECT_FALSE(F->FilterCombo->DroppedDown());
    }
    // Picks the mask with the keyboard: in the closed box with the arrow keys, or with Alt+Down, the
    // arrow keys in the dropped list, and Enter.
    void PickMaskWithKeys(const std::string& mask, bool dropDown) {
        const int index = MaskIndex(mask);
        if (index < 0) return;
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(::GetComboBoxInfo(F->FilterCombo->Handle(), &info));
        ::SetFocus(info.hwndItem);
        if (dropDown) {
            uitest::PressKey(info.hwndItem, VK_DOWN, ssAlt);
            ASSERT_TRUE(F->FilterCombo->DroppedDown());
        }
        for (int guard = 0; F->FilterCombo->ItemIndex() != index && guard < 20; ++guard)
            uitest::PressKey(info.hwndItem, F->FilterCombo->ItemIndex() < index ? VK_DOWN : VK_UP);
        if (dropDown) {
            uitest::PressKey(info.hwndItem, VK_RETURN);
            // Wine's edit field leaves the list down on Enter, where Windows closes it; Alt+Up closes it.
            if (F->FilterCombo->DroppedDown()) uitest::PressKey(info.hwndItem, VK_UP, ssAlt);
        }
        uitest::Pump();
        EXPECT_FALSE(F->FilterCombo->DroppedDown());
        EXPECT_EQ(mask, F->FilterCombo->Text());
    }
    // The names the rows show, by their items' file names.
    std::set<std::string> Names() {
        std::set<std::string> names;
        for (int i = 0; i < F->StShellListView1->ItemCount(); ++i)
            if (TStShellItem* item = F->StShellListView1->RowItem(i))
                names.insert(vstest::PathUtf8(vstest::Utf8Path(item->Path).filename()));
        return names;
    }
    int RowOf(const std::string& name) {
        for (int i = 0; i < F->StShellListView1->ItemCount(); ++i)
            if (TStShellItem* item = F->StShellListView1->RowItem(i))
                if (vstest::PathUtf8(vstest::Utf8Path(item->Path).filename()) == name) return i;
        return -1;
    }
    // The cells of a row as the list shows them: caption, then the columns after it.
    TListItemData Row(const std::string& name) {
        int r = RowOf(name);
        EXPECT_GE(r, 0) << name;
        return r >= 0 ? F->StShellListView1->Item(r) : TListItemData{};
    }
    std::string Panel(int i) { return F->StatusBar1->PanelText(i); }
    // Lets the posted figures in until the folder-size walk has ended (or was stopped).
    bool WaitForFigures() {
        return uitest::PumpUntil([&] { return !F->StShellListView1->Model().Walking(); }, 20000);
    }
    int VolumeRow(const std::string& letter) {
        for (int i = 0; i < F->VolumeList->ItemCount(); ++i)
            if (F->VolumeList->Item(i).SubItems.at(0) == letter) return i;
        return -1;
    }

    fs::path Ini;
    TMainForm* F = nullptr;
    vstest::TTempDir Dir;
    bool HaveDotted = false;
    int Fills = 0;
};

}  // namespace

TEST_F(Browse, MasksTypedWithEnterDecideTheFilesListed) {
    MakeTree();
    Open(Dir.Utf8());
    const struct {
        const char* Mask;
        std::set<std::string> Files;
    } cases[] = {
        {"*.bak", {"a.bak", "b.BAK", "a.ba"}},
        {"*.~*", {"report.~doc"}},
        {"*.*",
         {"readme", "a.bak", "b.BAK", "a.bak2", "a.txt", "a.ba", "report.~doc", "report.doc", "data.txt", "dat.tx",
          "ax.c", "bx.c", "x.c"}},
        {"data.txt", {"data.txt", "dat.tx"}},
        // A base of one character ends before the mask's second position, so it matches.
        {"?x.*", {"ax.c", "bx.c", "x.c", "a.ba", "a.bak", "a.bak2", "a.txt", "b.BAK"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EnterMask(c.Mask);
        EXPECT_EQ(c.Mask, F->StShellListView1->FileFilter());
        std::set<std::string> want = c.Files;
        want.insert("sub");  // folders are always listed
        EXPECT_EQ(want, Names()) << "mask " << c.Mask;
    }
    if (HaveDotted) {
        EnterMask("*.*");
        EXPECT_EQ(0u, Names().count("name.")) << "a name ending in \".\" has an empty extension";
    }
}

TEST_F(Browse, EnterAddsAMaskOnceAndListsAgainEvenInOtherCase) {
    MakeTree();
    Open(Dir.Utf8());
    const int items = F->FilterCombo->Count();
    EnterMask("*.bak");
    int fills = Fills;
    EnterMask("*.BAK");  // a change of text: listed again, nothing added
    EXPECT_EQ(items, F->FilterCombo->Count());
    EXPECT_EQ(fills + 1, Fills);
    EXPECT_EQ("*.BAK", F->StShellListView1->FileFilter());
    EXPECT_EQ((std::set<std::string>{"sub", "a.bak", "b.BAK", "a.ba"}), Names());

    EnterMask("*.Log");
    EXPECT_EQ(items + 1, F->FilterCombo->Count());
    EXPECT_EQ("*.Log", F->FilterCombo->Items(items));
    EnterMask("*.LOG");
    EXPECT_EQ(items + 1, F->FilterCombo->Count());

    // Picking the mask in force from the list does nothing.
    fills = Fills;
    PickMaskWithMouse("*.Log");
    EXPECT_EQ("*.Log", F->StShellListView1->FileFilter());
    EXPECT_EQ(fills + 1, Fills);  // "*.LOG" was in force: "*.Log" is a change
    PickMaskWithMouse("*.Log");
    EXPECT_EQ(fills + 1, Fills);

    // The masks added come back at the next start.
    F->SaveSettings();
    delete F;
    NewForm();
    std::vector<std::string> items2 = F->FilterCombo->AllItems();
    EXPECT_EQ("*.Log", items2.back());
    EXPECT_EQ(items + 1, static_cast<int>(items2.size()));
    EXPECT_EQ("*.*", F->FilterCombo->Text());
}

// A mask picked from the drop-down list decides both the rows and the totals at once.
TEST_F(Browse, APickedMaskListsTheFilesAndTotalsByIt) {
    MakeTree();
    Dir.WriteFile("sub\\old.bak", 50);
    F->Params = {Dir.Utf8()};
    F->Show();
    uitest::Pump();
    F->actFolderSizes->Execute();
    uitest::Pump();
    enum THow { hwMouse, hwArrows, hwDropDownKeys, hwEnter };
    const struct {
        THow How;
        const char* Mask;
        std::set<std::string> Files;
        const char* SubFiles;
    } cases[] = {
        {hwMouse, "*.bak", {"a.bak", "b.BAK", "a.ba"}, "1"},
        {hwMouse, "*.wav", {}, "0"},
        {hwDropDownKeys, "*.~*", {"report.~doc"}, "0"},
        {hwArrows, "*.bak", {"a.bak", "b.BAK", "a.ba"}, "1"},
        {hwEnter, "", {}, "0"},
        // After the empty mask the files come back with the first pick.
        {hwMouse, "*.*", {std::begin(kFiles), std::end(kFiles)}, "3"},
        {hwDropDownKeys, "*.bak", {"a.bak", "b.BAK", "a.ba"}, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("mask ") + c.Mask + " picked by " + std::to_string(c.How));
        if (c.How == hwMouse)
            PickMaskWithMouse(c.Mask);
        else if (c.How == hwEnter)
            EnterMask(c.Mask);
        else
            PickMaskWithKeys(c.Mask, c.How == hwDropDownKeys);
        ASSERT_TRUE(WaitForFigures());
        EXPECT_EQ(c.Mask, F->StShellListView1->FileFilter());
        std::set<std::string> want = c.Files;
        want.insert("sub");
        EXPECT_EQ(want, Names());
        EXPECT_EQ(c.SubFiles, Row("sub").SubItems.at(3));
    }
    for (const auto& box : uitest::TakeBoxes()) ADD_FAILURE() << box.Text;
}

TEST_F(Browse, FolderTotalsFollowTheMaskAndAnEmptyMaskCountsNoFiles) {
    MakeTree();
    Open(Dir.Utf8());
    F->actFolderSizes->Execute();
    uitest::Pump();
    ASSERT_TRUE(F->actFolderSizes->Checked());
    const struct {
        const char* Mask;
        const char* SubFiles;  // the "Files" figure of sub
        std::int64_t SubSize;
    } cases[] = {{"*.*", "2", 5100}, {"*.txt", "1", 100}, {"*.bin", "1", 5000}, {"", "0", 0}};
    for (const auto& c : cases) {
        EnterMask(c.Mask);
        ASSERT_TRUE(WaitForFigures());
        TStShellItem* sub = F->StShellListView1->RowItem(RowOf("sub"));
        ASSERT_NE(nullptr, sub) << c.Mask;
        EXPECT_EQ(c.SubSize, sub->Size()) << c.Mask;
        EXPECT_EQ(c.SubFiles, Row("sub").SubItems.at(3)) << c.Mask;
    }
    EXPECT_EQ((std::set<std::string>{"sub"}), Names());
    EXPECT_EQ("1 object(s)", Panel(0));
}

// Switching folder sizes keeps the rows (no listing, the selection stays) and only asks for or drops
// the folder figures.
TEST_F(Browse, FolderSizesToggledTwiceThenServedFromTheCache) {
    MakeTree();
    Open(Dir.Utf8());
    EXPECT_EQ("", Row("sub").SubItems.at(0));
    TStShellListView* list = F->StShellListView1;
    list->SetSelected(RowOf("sub"), true);
    const TStShellItem* subItem = list->RowItem(RowOf("sub"));
    int fills = Fills;
    F->actFolderSizes->Execute();
    ASSERT_TRUE(WaitForFigures());
    EXPECT_EQ(fills, Fills);
    EXPECT_EQ(subItem, list->RowItem(RowOf("sub")));
    EXPECT_EQ(std::vector<int>{RowOf("sub")}, list->SelectedIndices());
    EXPECT_EQ("4KB", Row("sub").SubItems.at(0));  // 5100 bytes
    EXPECT_EQ("2", Row("sub").SubItems.at(3));
    F->actFolderSizes->Execute();
    uitest::Pump();
    EXPECT_EQ(fills, Fills);
    EXPECT_EQ(subItem, list->RowItem(RowOf("sub")));
    for (int c = 0; c < 4; ++c) EXPECT_EQ("", Row("sub").SubItems.at(c)) << c;
    EXPECT_EQ(-1, subItem->FFileCount);
    // Switched on again, sub's totals come from the cache: a file gone from deep inside meanwhile,
    // unannounced, is still counted, because the folders are not read again.
    fs::remove(Dir.Path() / "sub" / "deep" / "d1" / "file.bin");
    F->actFolderSizes->Execute();
    ASSERT_TRUE(WaitForFigures());
    EXPECT_EQ(fills, Fills);
    EXPECT_EQ("2", Row("sub").SubItems.at(3));
    EXPECT_EQ("4KB", Row("sub").SubItems.at(0));
}

TEST_F(Browse, StartWithoutAFolderShowsTheDrives) {
    F->Params.clear();  // the test program's own arguments are no folder
    F->Show();
    uitest::Pump();
    EXPECT_EQ(sfDrives, F->StShellListView1->SpecialRootFolder());
    EXPECT_EQ("My Computer", Panel(2));
    EXPECT_GT(F->StShellListView1->ItemCount(), 0);
    EXPECT_NE(std::string::npos, Panel(0).find(" object(s)"));
    for (const auto& box : uitest::TakeBoxes()) ADD_FAILURE() << box.Text;
}

TEST_F(Browse, StartWithAFolderListsItAndIgnoresFurtherParameters) {
    MakeTree();
    F->Params = {Dir.Utf8(), "C:\\"};
    F->Show();
    uitest::Pump();
    EXPECT_TRUE(SameText(Dir.Utf8(), F->CurrentFolderPath())) << F->CurrentFolderPath();
    EXPECT_EQ("", Panel(2));
    // The files "*.*" admits and the folder: not .hidden, not a name ending in ".".
    EXPECT_EQ(std::to_string(std::size(kFiles) + 1) + " object(s)", Panel(0));
}

TEST_F(Browse, AMissingStartFolderIsReportedAndAVolumeEndsTheSplash) {
    SplashForm = new TSplashForm(nullptr);
    SplashForm->AfterConstruction();
    SplashForm->Show();
    F->Params = {Dir.Utf8() + "\\no such folder"};
    F->Show();
    uitest::Pump();
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_TRUE(::IsWindowVisible(F->Handle()));
    EXPECT_NE(nullptr, SplashForm);
    const int c = VolumeRow("C:");
    ASSERT_GE(c, 0);
    F->VolumeList->SetSelected(c);
    uitest::Pump();
    EXPECT_EQ("C:\\", F->CurrentFolderPath());
    EXPECT_EQ(nullptr, SplashForm);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

// Start folders as a user types them are made absolute first: "." and ".." against the current folder,
// a Unix-style path (Wine shows the Unix root as Z:\). A file, or a folder that is not there, is refused
// with "Invalid folder." and nothing is listed.
TEST_F(Browse, StartFoldersAreTakenAsTyped) {
    MakeTree();
    const uitest::TScopedCurrentDir here(Widen(Dir.Utf8() + "\\sub"));
    struct {
        std::string Typed;
        std::string Listed;  // empty: refused
    } cases[] = {
        {".", Dir.Utf8() + "\\sub"},   {"..", Dir.Utf8()},      {"/", "Z:\\"}, {"inner.txt", ""},
        {Dir.Utf8() + "\\readme", ""}, {"/no/such/folder", ""},
    };
    for (const auto& c : cases) {
        delete F;
        NewForm();
        F->Params = {c.Typed};
        F->Show();
        uitest::Pump();
        const auto boxes = uitest::TakeBoxes();
        if (c.Listed.empty()) {
            ASSERT_EQ(boxes.size(), 1u) << c.Typed;
            EXPECT_EQ(boxes[0].Text, "Invalid folder.") << c.Typed;
            EXPECT_EQ(F->StShellListView1->CurrentFolder(), nullptr) << c.Typed;
            EXPECT_EQ(F->StShellListView1->ItemCount(), 0) << c.Typed;
        } else {
            EXPECT_TRUE(boxes.empty()) << c.Typed << ": " << (boxes.empty() ? "" : boxes[0].Text);
            EXPECT_TRUE(SameText(c.Listed, F->CurrentFolderPath())) << c.Typed << ": " << F->CurrentFolderPath();
            EXPECT_GT(F->StShellListView1->ItemCount(), 0) << c.Typed;
        }
    }
}

TEST_F(Browse, SelectingAVolumeListsItsRootOnce) {
    Open(Dir.Utf8());
    F->actShortcuts->SetChecked(true);
    const int c = VolumeRow("C:");
    ASSERT_GE(c, 0);
    int fills = Fills;
    F->VolumeList->SetSelected(c);
    uitest::Pump();
    EXPECT_EQ("C:\\", F->CurrentFolderPath());
    EXPECT_EQ(fills + 1, Fills);
    EXPECT_FALSE(F->actShortcuts->Checked());
    F->VolumeList->SetSelected(c, false);  // losing the selection opens nothing
    uitest::Pump();
    EXPECT_EQ(fills + 1, Fills);
}

TEST_F(Browse, TheThreeSelectionSummaries) {
    MakeTree();
    Open(Dir.Utf8());
    SHFILEINFOW info{};
    ::SHGetFileInfoW((Dir.Path() / "a.txt").wstring().c_str(), 0, &info, sizeof info, SHGFI_TYPENAME);
    const std::string txtType = Narrow(info.szTypeName);
    TListView* list = F->StShellListView1;
    const int a = RowOf("a.txt"), d = RowOf("data.txt"), x = RowOf("x.c");
    ASSERT_TRUE(a >= 0 && d >= 0 && x >= 0);
    list->SetSelected(a);
    uitest::Pump();
    EXPECT_EQ("Type: " + txtType + " Size: 14", Panel(0));  // a.txt is the fifth file: 14 bytes
    EXPECT_EQ("14", Panel(1));
    EXPECT_EQ("", Panel(2));
    list->SetSelected(a, false);  // none selected now: panel 0 keeps its text
    uitest::Pump();
    EXPECT_EQ("Type: " + txtType + " Size: 14", Panel(0));
    EXPECT_EQ("14", Panel(1));
    list->SetSelected(a);
    list->SetSelected(d);
    list->SetSelected(x);
    uitest::Pump();
    EXPECT_EQ("3 object(s) selected Size: " + std::to_string(14 + 18 + 22), Panel(0));
    EXPECT_EQ("22", Panel(1));  // the row whose state changed last
}

namespace {

void MakeShortcut(const fs::path& link, const std::string& target) {
    TComPtr<IShellLinkW> shellLink;
    ASSERT_TRUE(SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.PutVoid())));
    ASSERT_TRUE(SUCCEEDED(shellLink->SetPath(Widen(target).c_str())));
    TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Save(link.wstring().c_str(), TRUE)));
}

}  // namespace

TEST_F(Browse, ShortcutsFolderRoundTripWithRealShortcutFiles) {
    const fs::path shortcuts = vstest::Utf8Path(ExeFolder() + "shortcuts");
    fs::create_directories(shortcuts);
    const fs::path data = Dir.MakeDir("Data");
    Dir.WriteFile("Data\\inside.txt", 3);
    const fs::path start = Dir.MakeDir("Start");
    MakeShortcut(shortcuts / "Data.lnk", vstest::PathUtf8(data));
    MakeShortcut(shortcuts / "Gone.lnk", vstest::PathUtf8(Dir.Path() / "Gone"));
    Dir.WriteFile("junk", 64, 'j');
    fs::copy_file(Dir.Path() / "junk", shortcuts / "Broken.lnk");
    MakeShortcut(shortcuts / "File.lnk", vstest::PathUtf8(Dir.Path() / "junk"));
    Open(vstest::PathUtf8(start));

    auto doubleClick = [&](const std::string& name) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name;
        for (int r : F->StShellListView1->SelectedIndices()) F->StShellListView1->SetSelected(r, false);
        F->StShellListView1->SetSelected(row);
        NMITEMACTIVATE nm{};
        nm.hdr.hwndFrom = F->StShellListView1->Handle();
        nm.hdr.idFrom = ::GetDlgCtrlID(nm.hdr.hwndFrom);
        nm.hdr.code = NM_DBLCLK;
        nm.iItem = row;
        ::SendMessageW(::GetParent(nm.hdr.hwndFrom), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
        uitest::Pump();
    };
    F->actShortcuts->Execute();
    uitest::Pump();
    EXPECT_TRUE(F->actShortcuts->Checked());
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());

    // A file that is no shortcut: the error, and the list and toggle stay.
    doubleClick("Broken.lnk");
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Couldn't resolve shortcut " + vstest::PathUtf8(shortcuts / "Broken.lnk") + ".", box.Text);
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());
    EXPECT_TRUE(F->actShortcuts->Checked());

    // A shortcut to a folder that has gone: "Invalid folder", and again nothing moves.
    doubleClick("Gone.lnk");
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_TRUE(F->actShortcuts->Checked());
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());
    EXPECT_EQ(4, F->StShellListView1->ItemCount());

    // A shortcut to a file: a file is no folder to list.
    doubleClick("File.lnk");
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());
    EXPECT_EQ(4, F->StShellListView1->ItemCount());

    doubleClick("Data.lnk");
    EXPECT_TRUE(SameText(vstest::PathUtf8(data), F->CurrentFolderPath())) << F->CurrentFolderPath();
    EXPECT_FALSE(F->actShortcuts->Checked());
    EXPECT_EQ((std::set<std::string>{"inside.txt"}), Names());

    F->actShortcuts->Execute();  // remembers Data
    uitest::Pump();
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());
    F->actShortcuts->Execute();
    uitest::Pump();
    EXPECT_TRUE(SameText(vstest::PathUtf8(data), F->CurrentFolderPath()));
    EXPECT_FALSE(F->actShortcuts->Checked());
    EXPECT_TRUE(uitest::TakeBoxes().empty());

    // The remembered folder goes while the shortcuts folder is shown: the way back is refused and the
    // shortcuts folder stays, with its toggle on.
    F->actShortcuts->Execute();
    uitest::Pump();
    fs::remove_all(data);
    uitest::PressKey(F->StShellListView1->Handle(), 'S', ssCtrl | ssShift);
    uitest::Pump();
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_TRUE(F->actShortcuts->Checked());
    EXPECT_EQ(ExeFolder() + "shortcuts", F->CurrentFolderPath());
}

TEST_F(Browse, ShortcutsFromTheDriveLevelLeadBackToIt) {
    fs::create_directories(vstest::Utf8Path(ExeFolder() + "shortcuts"));
    F->Params.clear();
    F->Show();
    uitest::Pump();
    ASSERT_EQ("My Computer", Panel(2));
    F->actShortcuts->Execute();
    uitest::Pump();
    EXPECT_EQ("", Panel(2));
    F->actShortcuts->Execute();
    uitest::Pump();
    EXPECT_EQ(sfDrives, F->StShellListView1->SpecialRootFolder());
    EXPECT_EQ("My Computer", Panel(2));
    EXPECT_GT(F->StShellListView1->ItemCount(), 0);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST_F(Browse, ShortcutsWithoutAShortcutsFolderChangeNothing) {
    MakeTree();
    Open(Dir.Utf8());
    const std::string before = F->CurrentFolderPath();
    uitest::PressKey(F->StShellListView1->Handle(), 'S', ssCtrl | ssShift);
    uitest::Pump();
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Invalid folder.", box.Text);
    EXPECT_FALSE(F->actShortcuts->Checked());
    EXPECT_EQ(before, F->CurrentFolderPath());
    EXPECT_EQ(std::size(kFiles) + 1, F->StShellListView1->ItemCount());  // still listed
}

TEST_F(Browse, UpOneLevel) {
    MakeTree();
    Open(vstest::PathUtf8(Dir.Path() / "sub" / "deep"));
    F->SpeedButton2->Click();
    uitest::Pump();
    EXPECT_TRUE(SameText(vstest::PathUtf8(Dir.Path() / "sub"), F->CurrentFolderPath())) << F->CurrentFolderPath();
    EXPECT_EQ((std::set<std::string>{"inner.txt", "deep"}), Names());
}

// Past MAX_PATH the shell's name for a folder's parent is cut: the Up button, clicked, still lists the parent.
TEST_F(Browse, UpOneLevelFromAFolderPastMaxPath) {
    const vstest::TDeepChain chain(Dir.Path(), "d", 160);
    ASSERT_FALSE(chain.Deepest().empty());
    ASSERT_GT(chain.Deepest().size(), static_cast<std::size_t>(MAX_PATH));
    Open(chain.Deepest());
    EXPECT_EQ(chain.Deepest(), F->CurrentFolderPath());
    const HWND button = F->SpeedButton2->Handle();
    const LPARAM at = MAKELPARAM(F->SpeedButton2->Width() / 2, F->SpeedButton2->Height() / 2);
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(button, WM_LBUTTONUP, 0, at);
    uitest::Pump();
    const std::string up = chain.Deepest().substr(0, chain.Deepest().size() - 2);
    EXPECT_EQ(up, F->CurrentFolderPath());
    EXPECT_EQ((std::set<std::string>{"d", "f"}), Names());
}

TEST_F(Browse, ListingShowsEachChildInTheProgressWindowThenHidesIt) {
    MakeTree();
    ProgressForm = Application->CreateForm<TProgressForm>();
    EnterMask("*.c");
    Open(Dir.Utf8());
    // Refused children are shown too: the name comes before the decision. The last one stays.
    std::set<std::string> all(std::begin(kFiles), std::end(kFiles));
    all.insert({"sub", ".hidden", "name."});
    const std::string status = ProgressForm->Label1->Caption();
    EXPECT_TRUE(all.count(status)) << status;
    EXPECT_FALSE(ProgressForm->Visible());
    delete ProgressForm;
    ProgressForm = nullptr;
}

TEST_F(Browse, ScreenshotAfterSelectingAVolumeWithFolderSizes) {
    VS_SCREENSHOT_ONLY();
    F->Params.clear();
    F->Show();
    uitest::Pump();
    // Checked before the volume is picked, so the drive level is not walked first.
    F->actFolderSizes->SetChecked(true);
    const int c = VolumeRow("C:");
    ASSERT_GE(c, 0);
    F->VolumeList->SetSelected(c);
    uitest::Pump(500);
    Application->Idle();
    ASSERT_TRUE(uitest::SaveWindowShot(F->Handle(), "main-window-volume-folder-sizes"));
}

// The system's listing, holding one folder back until released.
class THeldLister : public TDirLister {
public:
    explicit THeldLister(std::string held) : FHeld(std::move(held)) {}
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override {
        if (folder.find(FHeld) != std::string_view::npos) {
            std::unique_lock lock(FLock);
            FOpen.wait(lock, [&] { return FReleased; });
        }
        return SystemDirLister().List(folder, pattern, visit);
    }
    bool FolderExists(std::string_view folder) override { return SystemDirLister().FolderExists(folder); }
    char Separator() const override { return SystemDirLister().Separator(); }
    bool CaseSensitive() const override { return SystemDirLister().CaseSensitive(); }
    std::string AbsolutePath(std::string_view path) const override { return SystemDirLister().AbsolutePath(path); }
    void Release() {
        {
            std::lock_guard lock(FLock);
            FReleased = true;
        }
        FOpen.notify_all();
    }

private:
    std::string FHeld;
    std::mutex FLock;
    std::condition_variable FOpen;
    bool FReleased = false;
};

// The list totals folders through a held listing for the length of a test; the program's own service
// comes back at the end.
struct THeldService {
    THeldService(TStShellListView* list, std::string held)
        : Lister(std::move(held)), Service(Lister, SystemVolumes()), List(list) {
        List->SetFolderSizeService(Service);
    }
    ~THeldService() {
        Lister.Release();
        List->SetFolderSizeService(FolderSizeService());
    }
    THeldLister Lister;
    TFolderSizeService Service;
    TStShellListView* List;
};

// Past the scan tree's memory budget the folder sizes are still counted and exact; the status bar
// says that the files are not kept.
TEST_F(Browse, AReachedMemoryBudgetIsNotedAndTheSizesStayExact) {
    Dir.WriteFile("sub\\a.bin", 3000);
    Dir.WriteFile("sub\\b.bin", 2000);
    struct TRestore {
        ~TRestore() { FolderSizeService().SetTreeBudget(TScanTree::kDefaultBudget); }
    } restore;
    FolderSizeService().SetTreeBudget(1);
    F->actFolderSizes->SetChecked(true);
    Open(Dir.Utf8());
    ASSERT_TRUE(WaitForFigures());
    uitest::Pump(2 * TMainForm::kFiguresRedrawMs);
    EXPECT_EQ("2", Row("sub").SubItems.at(3));
    EXPECT_EQ(SizeTextOrEmpty(5000), Panel(1));
    EXPECT_EQ("1 object(s) - memory budget reached: files not kept", Panel(0));
    FolderSizeService().SetTreeBudget(TScanTree::kDefaultBudget);
    F->actFolderSizes->SetChecked(false);
    Open(Dir.Utf8());
    EXPECT_EQ("1 object(s)", Panel(0));
}

// Esc while folder sizes are calculated stops the calculation and leaves the window open: folders
// totalled by then show their exact figures, the others stay empty, and the status bar says the sizes
// are incomplete. The next Esc closes the window as always.
TEST_F(Browse, EscapeStopsTheFolderSizeCalculation) {
    constexpr int kFolders = 150;
    for (int i = 0; i < kFolders; ++i) Dir.WriteFile("f" + std::to_string(1000 + i) + "\\x\\a.bin", 2048);
    F->Params = {Dir.Utf8()};
    F->Show();
    uitest::Pump();
    // One folder is still being read when the key comes.
    THeldService held(F->StShellListView1, "f1075");
    THeldLister& lister = held.Lister;
    TFolderSizeService& service = held.Service;
    F->actFolderSizes->SetChecked(true);
    F->OpenFolder(Dir.Utf8());
    ASSERT_EQ(TFiguresState::Running, F->StShellListView1->Model().State());
    // Every other folder is totalled before the key comes.
    ASSERT_TRUE(uitest::PumpUntil(
        [&] {
            TFolderTotals t;
            for (int i = 0; i < kFolders; ++i)
                if (i != 75 && !service.TotalsIfKnown(Dir.Utf8() + "\\f" + std::to_string(1000 + i), "*.*", t))
                    return false;
            return true;
        },
        20000));
    F->StShellListView1->SetFocus();
    uitest::PressKey(F->StShellListView1->Handle(), VK_ESCAPE, 0, 27);
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(::IsWindowVisible(F->Handle()));
    lister.Release();
    ASSERT_TRUE(WaitForFigures());
    uitest::Pump(2 * TMainForm::kFiguresRedrawMs);
    int empty = 0;
    for (int i = 0; i < kFolders; ++i) {
        const std::vector<std::string> t = Row("f" + std::to_string(1000 + i)).SubItems;
        ASSERT_GE(t.size(), 4u);
        if (t[0].empty()) {
            ++empty;
            EXPECT_EQ("", t[1] + t[2] + t[3]) << i;  // unknown: every figure cell empty
        } else {
            EXPECT_EQ("2KB", t[0]) << i;  // known: exact, never part of a folder
            EXPECT_EQ("1", t[3]) << i;
        }
    }
    EXPECT_EQ(1, empty);  // the folder held back
    EXPECT_EQ("", Row("f1075").SubItems.at(0));
    EXPECT_EQ(std::to_string(kFolders) + " object(s) - folder sizes incomplete: calculation cancelled", Panel(0));
    // The sum holds the figures known: 149 folders of 2,048 bytes.
    EXPECT_EQ(SizeTextOrEmpty(149 * 2048), Panel(1));
    uitest::PressKey(F->StShellListView1->Handle(), VK_ESCAPE, 0, 27);
    EXPECT_TRUE(Application->Terminated());
    Application->CancelTerminate();
    for (const auto& box : uitest::TakeBoxes()) ADD_FAILURE() << box.Text;
}

// A calculation that outlasts a redraw shows the progress window beside the main window, without
// taking the focus: the running count, the folder being read and a Cancel button. Its button, and
// Esc in it, stop the calculation as Esc in the main window does; the window then goes.
TEST_F(Browse, TheProgressWindowCountsAndItsCancelButtonStopsTheCalculation) {
    const std::string big = Dir.Utf8() + "\\big";
    for (int i = 0; i < 3; ++i) Dir.WriteFile("big\\f" + std::to_string(i) + ".bin", 10);
    Dir.WriteFile("big\\inner\\a.bin", 10);
    F->Params = {Dir.Utf8()};
    F->Show();
    uitest::Pump();
    ProgressForm = Application->CreateForm<TProgressForm>();
    struct TDropProgress {
        ~TDropProgress() {
            delete ProgressForm;
            ProgressForm = nullptr;
        }
    } dropProgress;
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Esc in the progress window" : "Cancel button");
        THeldService held(F->StShellListView1, "inner");
        THeldLister& lister = held.Lister;
        F->actFolderSizes->SetChecked(true);
        F->OpenFolder(Dir.Utf8());
        F->StShellListView1->SetFocus();
        ASSERT_TRUE(uitest::PumpUntil([&] { return ProgressForm->Visible() && ProgressForm->ShowingWalk(); }, 5000));
        EXPECT_EQ(F->StShellListView1->Handle(), ::GetFocus());  // the user goes on typing in the list
        ASSERT_TRUE(uitest::PumpUntil([&] { return ProgressForm->CountLabel->Caption() == "3 files counted"; }, 5000))
            << ProgressForm->CountLabel->Caption();
        // The folder the walk reported last (the held one or the one before it), without a trailing "\".
        const std::string folder = ProgressForm->Label1->Caption();
        EXPECT_TRUE(folder == big || folder == big + "\\inner") << folder;
        EXPECT_TRUE(::IsWindowVisible(ProgressForm->CancelButton->Handle()));
        if (!byKey) uitest::SaveWindowShot(ProgressForm->Handle(), "progress-folder-sizes");
        if (byKey) {
            uitest::PressKey(ProgressForm->Handle(), VK_ESCAPE, 0, 27);
        } else {
            const HWND button = ProgressForm->CancelButton->Handle();
            RECT r;
            ::GetClientRect(button, &r);
            const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
            ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::SendMessageW(button, WM_LBUTTONUP, 0, at);
        }
        EXPECT_FALSE(Application->Terminated());
        lister.Release();
        ASSERT_TRUE(WaitForFigures());
        uitest::Pump(2 * TMainForm::kFiguresRedrawMs);
        EXPECT_FALSE(ProgressForm->Visible());
        EXPECT_EQ("1 object(s) - folder sizes incomplete: calculation cancelled", Panel(0));
        EXPECT_EQ("", Row("big").SubItems.at(0));
    }
    for (const auto& box : uitest::TakeBoxes()) ADD_FAILURE() << box.Text;
}
