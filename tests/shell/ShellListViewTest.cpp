// The folder list on the real shell under Wine, over one shared tree of awkward files: what its rows
// show, sorting, the mask filter, navigation, rename and a fill asked for during a fill.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/ComObject_win.h"
#include "platform/FsFixture.h"
#include "platform/Locale.h"
#include "platform/OddNameTree.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellComboEntries.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellPath_win.h"
#include "shell/SizeText.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

// The shared tree: folders (one empty, one with files, two with names outside the ANSI code page) and
// files of telling sizes, names and types.
class TTree {
public:
    TTree() {
        Dir.MakeDir("empty");
        Dir.WriteFile("sub/a.bin", 5000);
        Dir.WriteFile("sub/deeper/c.txt", 1);
        Dir.WriteFile("Ελληνικά/b.txt", 3);
        Dir.WriteFile("Кириллица/d.txt", 2000);
        Dir.WriteFile("one.txt", 1);
        Dir.WriteFile("zero.dat", 0);
        Dir.WriteFile("report.xyz", 10);
        Dir.WriteFile("README", 10);
        Dir.WriteFile("old.bak", 10);
        Dir.WriteFile("x.TMP", 10);
        Dir.WriteFile("ac", 1);
        Dir.WriteFile("abc", 2);
        Dir.WriteFile("abbc", 3);
        Dir.WriteFile("doc.vstest", 10);
        Sparse = vstest::MakeSparseFile(Dir.Path() / "big.sparse", 5000000000ULL);
    }
    vstest::TTempDir Dir;
    bool Sparse = false;
    std::string Path(const std::string& relative = {}) const {
        std::string p = Dir.Utf8();
        return relative.empty() ? p : p + "\\" + relative;
    }
};

TTree* Tree = nullptr;

// Wine's drives are the links in the prefix's dosdevices folder: a drive letter for a test folder is a
// new link there (made by /bin/ln, which Wine starts like any program).
std::string DosDevices() {
    // C:\ names <prefix>/dosdevices/c:/ (or the folder it leads to, <prefix>/drive_c).
    std::string driveC = vstest::UnixPath(L"C:\\");
    size_t at = driveC.find("/dosdevices/");
    if (at != std::string::npos) return driveC.substr(0, at) + "/dosdevices/";
    while (!driveC.empty() && driveC.back() == '/') driveC.pop_back();
    size_t slash = driveC.rfind('/');
    return slash == std::string::npos ? std::string() : driveC.substr(0, slash) + "/dosdevices/";
}
wchar_t WineDriveFor(const fs::path& folder) {
    std::string devices = DosDevices(), target = vstest::UnixPath(folder);
    if (devices.empty() || target.empty()) return 0;
    for (wchar_t c = L'T'; c <= L'Y'; ++c) {
        wchar_t root[] = {c, L':', L'\\', 0};
        if (::GetDriveTypeW(root) != DRIVE_NO_ROOT_DIR) continue;
        std::string link = devices + static_cast<char>(c - L'A' + 'a') + ":";
        vstest::RunUnix(L"/bin/ln", L"-s \"" + Widen(target) + L"\" \"" + Widen(link) + L"\"");
        for (int i = 0; i < 50 && ::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR; ++i) ::Sleep(20);
        if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return 0;
        // The shell's drive list reads the device names, which a new link does not add to.
        wchar_t name[] = {c, L':', 0};
        ::DefineDosDeviceW(0, name, folder.wstring().c_str());
        return c;
    }
    return 0;
}
void RemoveWineDrive(wchar_t letter) {
    wchar_t name[] = {letter, L':', 0};
    ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, name, nullptr);
    std::string link = DosDevices() + static_cast<char>(letter - L'A' + 'a') + ":";
    vstest::RunUnix(L"/bin/rm", L"-f \"" + Widen(link) + L"\"");
}

class ShellListView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A registered type of our own in the classes root (the test's own Wine prefix).
        HKEY key = nullptr;
        ::RegCreateKeyW(HKEY_CLASSES_ROOT, L".vstest", &key);
        ::RegSetValueW(key, nullptr, REG_SZ, L"VsTestFile", 0);
        ::RegCloseKey(key);
        ::RegCreateKeyW(HKEY_CLASSES_ROOT, L"VsTestFile", &key);
        ::RegSetValueW(key, nullptr, REG_SZ, L"Voluscope Test Document", 0);
        ::RegCloseKey(key);
        Tree = new TTree;
    }
    static void TearDownTestSuite() {
        delete Tree;
        Tree = nullptr;
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, L".vstest");
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, L"VsTestFile");
    }
    void SetUp() override {
        Form = uitest::HostForm(900, 500);
        List = new TStShellListView(Form.get(), Form.get());
        List->SetAlign(alClient);
        List->OnListFilled = [this](TObject*) { Filled.push_back(List->CurrentFolder()->Path); };
        List->OnBeforeFill = [this](TObject*) { ++BeforeFills; };
        List->ShellOpen = [this](const std::string& path) { Opened.push_back(path); };
        Form->Show();
        uitest::TakeBoxes();
    }
    void TearDown() override {
        Form.reset();
        uitest::Pump();
        EXPECT_TRUE(uitest::TakeBoxes().empty());
    }
    // The row showing a name, or -1.
    int Row(const std::string& caption) const {
        for (int i = 0; i < List->ItemCount(); ++i)
            if (List->Item(i).Caption == caption) return i;
        return -1;
    }
    std::vector<std::string> Texts(const std::string& caption) const {
        int r = Row(caption);
        return r < 0 ? std::vector<std::string>{"<missing>"} : List->Item(r).SubItems;
    }
    // Lets the posted figures in until the folder-size walk of the listing has ended.
    bool WaitForFigures() {
        return uitest::PumpUntil([&] { return List->Model().State() != TFiguresState::Running; }, 20000);
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < List->ItemCount(); ++i) out.push_back(List->Item(i).Caption);
        return out;
    }

    std::unique_ptr<TForm> Form;
    TStShellListView* List = nullptr;
    std::vector<std::string> Filled;
    std::vector<std::string> Opened;
    int BeforeFills = 0;
};

TEST_F(ShellListView, EmptyFolderRaisesListFilledOnceAndShowsNoRows) {
    List->SetRootFolder(Tree->Path("empty"));
    EXPECT_EQ(List->ItemCount(), 0);
    ASSERT_EQ(Filled.size(), 1u);
    EXPECT_EQ(BeforeFills, 1);
    EXPECT_TRUE(SameText(Filled[0], Tree->Path("empty")));
    // Eight columns, the four figures right-aligned.
    ASSERT_EQ(List->ColumnCount(), 8);
    EXPECT_EQ(List->ColumnCaption(0), "Name");
    EXPECT_EQ(List->ColumnCaption(7), "Attributes");
    for (int c = 0; c < 8; ++c) EXPECT_EQ(List->ColumnAlignment(c) == taRightJustify, c >= 1 && c <= 4) << c;
}

TEST_F(ShellListView, FolderRowsWithSizesOffAndOn) {
    List->SetRootFolder(Tree->Path());
    std::vector<std::string> off = Texts("empty");
    ASSERT_EQ(off.size(), 7u);
    EXPECT_EQ((std::vector<std::string>(off.begin(), off.begin() + 5)),
              (std::vector<std::string>{"", "", "", "", "File Folder"}));

    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path());
    ASSERT_TRUE(WaitForFigures());
    std::vector<std::string> on = Texts("empty");
    EXPECT_EQ((std::vector<std::string>(on.begin(), on.begin() + 5)),
              (std::vector<std::string>{"0KB", "0KB", "0KB", "0", "File Folder"}));
    // sub holds 5,001 bytes in two files, one of them a level down.
    std::vector<std::string> sub = Texts("sub");
    EXPECT_EQ(sub[0], "4KB");
    EXPECT_EQ(sub[3], "2");
    std::int64_t used = 0, count = 0;
    FolderSize(Tree->Path("sub"), "*.*", used, count);
    EXPECT_EQ(sub[1], FormatBytesKB(used));
    EXPECT_EQ(sub[2], FormatBytesKB(used - 5001));
}

// The listing shows its rows before any folder is totalled: the figure cells of a folder stay empty
// until its totals come from the walk, then fill in, and rows sorted by size take their places.
TEST_F(ShellListView, FolderFiguresFillInAsTheyArrive) {
    vstest::TTempDir dir;
    dir.WriteFile("big/x/a.bin", 300000);
    dir.WriteFile("mid/b.bin", 5000);
    dir.WriteFile("small/c.bin", 10);
    dir.WriteFile("file.txt", 1);
    List->SetCalcFolderSize(true);
    List->SetRootFolder(dir.Utf8());
    // No message has been handled since the listing: no figure can have come in.
    for (const char* folder : {"big", "mid", "small"}) {
        const std::vector<std::string> t = Texts(folder);
        ASSERT_EQ(t.size(), 7u) << folder;
        EXPECT_EQ((std::vector<std::string>(4, "")), std::vector<std::string>(t.begin(), t.begin() + 4)) << folder;
    }
    EXPECT_EQ(List->Model().State(), TFiguresState::Running);
    EXPECT_EQ(Texts("file.txt")[0], "1KB");  // a file's own figures are there at once
    List->ClickColumn(1);
    ASSERT_TRUE(WaitForFigures());
    EXPECT_EQ(Texts("big")[0], "292KB");
    EXPECT_EQ(Texts("big")[3], "1");
    EXPECT_EQ(Texts("mid")[0], "4KB");
    EXPECT_EQ(Texts("small")[0], "0KB");
    EXPECT_FALSE(List->Model().Incomplete());
    const std::vector<std::string> order = Captions();
    EXPECT_EQ((std::vector<std::string>(order.begin(), order.begin() + 3)),
              (std::vector<std::string>{"small", "mid", "big"}));
}

TEST_F(ShellListView, FileRowsShowSizesAndTypes) {
    List->SetRootFolder(Tree->Path());
    struct {
        const char* Name;
        const char* Size;
        const char* Type;
    } rows[] = {
        {"one.txt", "1KB", nullptr},
        {"zero.dat", "0KB", nullptr},
        {"report.xyz", "1KB", "XYZ File"},
        {"README", "1KB", "File"},
        {"doc.vstest", "1KB", "Voluscope Test Document"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.Name);
        std::vector<std::string> t = Texts(r.Name);
        ASSERT_EQ(t.size(), 7u);
        EXPECT_EQ(t[0], r.Size);
        EXPECT_EQ(t[3], "1");
        if (r.Type) EXPECT_EQ(t[4], r.Type);
        EXPECT_FALSE(t[5].empty());  // the date
    }
    EXPECT_EQ(Texts("zero.dat")[1], "0KB");
    EXPECT_NE(Texts("one.txt")[1], "0KB");  // a byte takes a whole cluster
    std::string desc;
    ASSERT_TRUE(List->TypeDescriptions().Find(".VSTEST", desc));  // keys ignore case
    EXPECT_EQ(desc, "Voluscope Test Document");
    if (Tree->Sparse) EXPECT_EQ(Texts("big.sparse")[0], "4882812KB");
}

TEST_F(ShellListView, SortBySizeReverseAndSwitchFolders) {
    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path());
    List->ClickColumn(1);
    std::vector<std::string> up = Captions();
    // Folders first, smallest first: empty (0), Ελληνικά (3), Кириллица (2000), sub (5001).
    ASSERT_GE(up.size(), 4u);
    EXPECT_EQ((std::vector<std::string>(up.begin(), up.begin() + 4)),
              (std::vector<std::string>{"empty", "Ελληνικά", "Кириллица", "sub"}));
    EXPECT_EQ(up[4], "zero.dat");
    bool ascending = false;
    EXPECT_EQ(List->SortArrowColumn(&ascending), 1);
    EXPECT_TRUE(ascending);

    List->ClickColumn(1);
    std::vector<std::string> down = Captions();
    EXPECT_EQ(down, std::vector<std::string>(up.rbegin(), up.rend()));
    EXPECT_EQ(List->SortArrowColumn(&ascending), 1);
    EXPECT_FALSE(ascending);

    // Another folder: sorted by name, still descending.
    List->SetRootFolder(Tree->Path("sub"));
    EXPECT_EQ(List->Model().SortColumn(), 0);
    EXPECT_FALSE(List->Model().Ascending());
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a.bin", "deeper"}));
}

TEST_F(ShellListView, MaskFilterKeepsFoldersAndMatchingFiles) {
    List->SetRootFolder(Tree->Path());
    List->SetFiltered(true);
    struct {
        const char* Mask;
        std::vector<std::string> Files;
    } rows[] = {
        {"*.bak;*.tmp", {"old.bak", "x.TMP"}},
        {"a?c", {"abc", "ac"}},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.Mask);
        List->SetFileFilter(r.Mask);
        std::vector<std::string> files;
        int folders = 0;
        for (int i = 0; i < List->Model().RowCount(); ++i) {
            TStShellItem* item = List->Model().Row(i);
            if (item->IsFileSystemFolder)
                ++folders;
            else
                files.push_back(item->DisplayName);
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, r.Files);
        EXPECT_EQ(folders, 4);
        EXPECT_EQ(List->ItemCount(), List->Model().RowCount());
    }
    // The same text again does nothing: no fill, the filtered list stays.
    TStShellItem* first = List->Model().Row(0);
    int fills = BeforeFills;
    List->SetFileFilter("a?c");
    EXPECT_EQ(List->Model().Row(0), first);
    EXPECT_EQ(BeforeFills, fills);
}

TEST_F(ShellListView, FilterHandlerSeesEveryChildBeforeItsSize) {
    std::vector<std::string> seen;
    List->SetCalcFolderSize(true);
    List->SetFiltered(true);
    List->OnFilterItem = [&](TObject*, TStShellItem* item, bool& accept) {
        seen.push_back(item->DisplayName);
        if (!item->IsFile) EXPECT_EQ(item->FSize, -1);  // a folder's figures come after the handler
        accept = item->DisplayName != "README";
    };
    List->SetRootFolder(Tree->Path());
    EXPECT_EQ(Row("README"), -1);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "README"), seen.end());
    EXPECT_EQ(static_cast<int>(seen.size()), List->ItemCount() + 1);
}

TEST_F(ShellListView, FoldersNamedInGreekAndCyrillicAreListedEnteredAndTotalled) {
    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path());
    for (const char* name : {"Ελληνικά", "Кириллица"}) {
        SCOPED_TRACE(name);
        List->SetRootFolder(Tree->Path());
        int row = Row(name);
        ASSERT_GE(row, 0);
        EXPECT_EQ(Texts(name)[3], "1");
        List->SetSelected(row);
        List->DoDblClick();
        EXPECT_TRUE(SameText(List->CurrentFolder()->Path, Tree->Path(name)));
        EXPECT_EQ(List->ItemCount(), 1);
    }
}

TEST_F(ShellListView, OpenDialogModeDoubleClickOnAFileOpensNothing) {
    List->SetOpenDialogMode(true);
    std::vector<std::string> clicked;
    List->OnItemDblClick = [&](TObject*, TStShellItem* item, bool&) { clicked.push_back(item->DisplayName); };
    List->SetRootFolder(Tree->Path());
    List->SetSelected(Row("one.txt"));
    List->DoDblClick();
    EXPECT_EQ(clicked, std::vector<std::string>{"one.txt"});
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(Filled.size(), 1u);
    // Without it the file is opened through the shell.
    List->SetOpenDialogMode(false);
    List->DoDblClick();
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_TRUE(SameText(Opened[0], Tree->Path("one.txt")));
}

TEST_F(ShellListView, RenameThroughTheInPlaceEditor) {
    vstest::TTempDir dir;
    dir.WriteFile("before.txt", 5);
    List->SetRootFolder(dir.Utf8());
    ASSERT_EQ(List->ItemCount(), 1);
    List->EditCaption(0);
    uitest::Pump();
    HWND edit = ListView_GetEditControl(List->Handle());
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextW(edit, L"после.txt");
    uitest::PressKey(edit, VK_RETURN);
    uitest::Pump();
    TStShellItem* item = List->RowItem(0);
    EXPECT_EQ(item->DisplayName, "после.txt");
    EXPECT_TRUE(SameText(item->Path, dir.Utf8() + "\\после.txt"));
    EXPECT_TRUE(fs::exists(dir.Path() / vstest::Utf8Path("после.txt")));
    EXPECT_EQ(List->Item(0).Caption, "после.txt");
}

TEST_F(ShellListView, SecondFillDuringAFillWaitsForTheFirst) {
    List->SetFiltered(true);
    bool asked = false;
    List->OnFilterItem = [&](TObject*, TStShellItem* item, bool& accept) {
        accept = true;
        if (!asked) {
            asked = true;
            List->SetRootFolder(Tree->Path("sub"));
            // The running fill's lists are untouched.
            EXPECT_FALSE(item->DisplayName.empty());
            EXPECT_TRUE(SameText(List->RootFolder(), Tree->Path("sub")));
        }
    };
    List->SetRootFolder(Tree->Path());
    ASSERT_EQ(Filled.size(), 1u);
    EXPECT_TRUE(SameText(Filled[0], Tree->Path()));
    EXPECT_EQ(List->ItemCount(), List->Model().AllRows().Count());
    EXPECT_GT(List->ItemCount(), 10);
    uitest::Pump(50);
    ASSERT_EQ(Filled.size(), 2u);
    EXPECT_TRUE(SameText(Filled[1], Tree->Path("sub")));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"deeper", "a.bin"}));
}

// The drives folder with folder sizes: each listed drive is walked whole and shown as a system folder
// with the short size texts. Only a drive of our own (a letter for the test's folder) is let through
// the filter, so no real disk is walked.
TEST_F(ShellListView, DrivesFolderListsDrivesWithFolderSizes) {
    vstest::TTempDir drive;
    drive.WriteFile("a.bin", 3 * 1024 * 1024 + 7);
    drive.WriteFile("deep/b.bin", 2000);
    wchar_t letter = WineDriveFor(drive.Path());
    ASSERT_NE(letter, 0) << "no free drive letter";
    std::string root = Narrow(std::wstring{letter, L':', L'\\'});
    std::vector<std::string> drives;
    List->SetFileFilter("*.*");  // with filtering on, the folder sizes count the files of this mask
    List->SetFiltered(true);
    List->SetCalcFolderSize(true);
    List->OnFilterItem = [&](TObject*, TStShellItem* item, bool& accept) {
        drives.push_back(item->Path);
        accept = item->Path == root;
    };
    List->SetSpecialRootFolder(sfDrives);
    ASSERT_TRUE(WaitForFigures());
    std::int64_t used = 0, count = 0;
    std::int64_t size = FolderSize(root, "*.*", used, count);
    RemoveWineDrive(letter);
    EXPECT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
    ASSERT_EQ(List->ItemCount(), 1);
    std::vector<std::string> t = List->Item(0).SubItems;
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[5] + t[6], "");  // a system folder has no date or attributes
    EXPECT_EQ(t[0], "3MB");
    EXPECT_EQ(t[3], "2");
    EXPECT_EQ(t[4], "System Folder");
    EXPECT_EQ(size, 3 * 1024 * 1024 + 7 + 2000);
    EXPECT_EQ(t[1], FormatSizeShort(used));
    EXPECT_EQ(t[2], FormatSizeShort(used - size));
    EXPECT_EQ(List->ColumnCount(), 8);
    EXPECT_EQ(List->ColumnWidth(1), List->Scale(85));
}

TEST_F(ShellListView, RefreshRereadsTheFolderAndKeepsTheSelection) {
    vstest::TTempDir dir;
    dir.WriteFile("b.txt", 1);
    dir.WriteFile("c.txt", 1);
    List->SetRootFolder(dir.Utf8());
    List->SetSelected(Row("c.txt"));
    dir.WriteFile("a.txt", 1);
    List->Refresh(true);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(List->SelectedIndex(), Row("c.txt"));
    ASSERT_EQ(List->SelectionList().Count(), 1);
    EXPECT_EQ(List->SelectionList().Items(0)->DisplayName, "c.txt");
    EXPECT_EQ(Filled.size(), 1u);  // a refresh is no new listing
}

TEST_F(ShellListView, TypingANameFindsItsRowWithoutWrapping) {
    List->SetRootFolder(Tree->Path());
    TListFindRequest r;
    r.Text = "RE";
    r.Partial = true;
    EXPECT_EQ(List->FindRow(0, r), Row("README"));
    EXPECT_EQ(List->FindRow(Row("README") + 1, r), Row("report.xyz"));
    EXPECT_EQ(List->FindRow(Row("report.xyz") + 1, r), -1);
    r.Partial = false;
    r.Text = "one.txt";
    EXPECT_EQ(List->FindRow(0, r), Row("one.txt"));
    // Through the control, as typing asks.
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = L"zero.dat";
    EXPECT_EQ(ListView_FindItem(List->Handle(), -1, &find), Row("zero.dat"));
}

TEST_F(ShellListView, ViewStyleMenuSwitchesViewsAndReportViewFillsItsDetails) {
    List->ChangeViewStyle(vsList);
    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path("sub"));
    EXPECT_EQ(List->ViewStyle(), vsList);
    EXPECT_FALSE(List->RowItem(0)->DetailsFilled);
    TPopupMenu* menu = List->ViewMenu();
    ASSERT_EQ(menu->Count(), 4);
    EXPECT_EQ(menu->Items(3)->Caption(), "&Details");
    menu->Items(3)->Click();
    EXPECT_EQ(List->ViewStyle(), vsReport);
    EXPECT_TRUE(menu->Items(3)->Checked());
    EXPECT_FALSE(menu->Items(1)->Checked());
    EXPECT_EQ(List->ColumnCount(), 8);
    EXPECT_EQ(Texts("a.bin")[0], "4KB");
    EXPECT_EQ(Texts("deeper")[3], "1");
}

TEST_F(ShellListView, SelectionListFollowsTheSelectedRows) {
    std::vector<std::string> selected;
    List->OnItemSelected = [&](TObject*, TStShellItem* item) { selected.push_back(item->DisplayName); };
    List->SetRootFolder(Tree->Path());
    List->SetSelected(Row("sub"));
    List->SetSelected(Row("one.txt"));
    EXPECT_EQ(selected, (std::vector<std::string>{"sub", "one.txt"}));
    ASSERT_EQ(List->SelectionList().Count(), 2);
    EXPECT_EQ(List->SelectionList().Items(0)->DisplayName, "sub");
    EXPECT_EQ(List->SelectionList().Items(1)->DisplayName, "one.txt");
    ASSERT_NE(List->ChangedItem(), nullptr);
    EXPECT_EQ(List->ChangedItem()->DisplayName, "one.txt");
    List->SetSelected(Row("sub"), false);
    ASSERT_EQ(List->SelectionList().Count(), 1);
    EXPECT_EQ(List->ChangedItem()->DisplayName, "sub");
    // A new listing empties it.
    List->SetRootFolder(Tree->Path("empty"));
    EXPECT_EQ(List->SelectionList().Count(), 0);
    EXPECT_EQ(List->ChangedItem(), nullptr);
}

// Icons of plain files are remembered by type; each must still be the shell's own answer.
TEST_F(ShellListView, IconsAndNamesAreTheShellsOwn) {
    vstest::TTempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.TXT", "x.vstest", "y.vstest", "prog.exe", "noext", "sub/z.txt"})
        dir.WriteFile(name, 5);
    List->SetOptimization(otDisplay);
    List->SetRootFolder(dir.Utf8());
    ASSERT_EQ(List->ItemCount(), 8);
    for (int i = 0; i < List->Model().AllRows().Count(); ++i) {
        TStShellItem* item = List->Model().AllRows().Items(i);
        SCOPED_TRACE(item->Path);
        SHFILEINFOW sfi{};
        ::SHGetFileInfoW(Widen(item->Path).c_str(), 0, &sfi, sizeof(sfi),
                         SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME);
        EXPECT_EQ(item->IconIndex(), sfi.iIcon);
        EXPECT_EQ(item->DisplayName, Narrow(sfi.szDisplayName));
        EXPECT_EQ(List->Item(List->FindRow(0, TListFindRequest{item->DisplayName})).ImageIndex, sfi.iIcon);
    }
}

// The shell's own names of a folder's children (its enumeration), by file name.
std::map<std::string, std::string> ShellNames(const std::string& folder, bool hidden) {
    std::map<std::string, std::string> names;
    TComPtr<IShellFolder> desktop;
    ::SHGetDesktopFolder(desktop.Put());
    std::wstring w = Widen(folder);
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, w.data(), nullptr, &pidl, nullptr))) return names;
    TComPtr<IShellFolder> sf;
    desktop->BindToObject(pidl, nullptr, IID_IShellFolder, sf.PutVoid());
    ::CoTaskMemFree(pidl);
    TComPtr<IEnumIDList> en;
    if (!sf || sf->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (hidden ? SHCONTF_INCLUDEHIDDEN : 0),
                               en.Put()) != S_OK)
        return names;
    auto name = [&](LPCITEMIDLIST child, DWORD form) {
        STRRET r{};
        wchar_t* text = nullptr;
        if (FAILED(sf->GetDisplayNameOf(child, form, &r)) || FAILED(::StrRetToStrW(&r, child, &text)))
            return std::string();
        std::string out = Narrow(text);
        ::CoTaskMemFree(text);
        return out;
    };
    LPITEMIDLIST child = nullptr;
    ULONG fetched = 0;
    while (en->Next(1, &child, &fetched) == S_OK && fetched == 1) {
        names[name(child, SHGDN_INFOLDER | SHGDN_FORPARSING)] = name(child, SHGDN_NORMAL);
        ::CoTaskMemFree(child);
    }
    return names;
}

// The paths a data object carries as dropped files.
std::set<std::string> DroppedPaths(IDataObject* data) {
    std::set<std::string> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return paths;
    auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal));
    for (UINT i = 0, n = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
        wchar_t path[1024] = {};
        ::DragQueryFileW(drop, i, path, 1024);
        paths.insert(Narrow(path));
    }
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return paths;
}

// A file-system folder's rows come from its listing: each shows the name the shell gives it (a type
// that never shows its extension loses it, names ending in "." or " " stay whole), hidden files only
// with loShowHidden. A row acted on gets the shell object of its exact entry.
TEST_F(ShellListView, ListedRowsShowTheShellsNamesAndReachTheirExactEntries) {
    HKEY key = nullptr;
    ::RegCreateKeyW(HKEY_CLASSES_ROOT, L".vshide", &key);
    ::RegSetValueW(key, nullptr, REG_SZ, L"VsHideFile", 0);
    ::RegCloseKey(key);
    ::RegCreateKeyW(HKEY_CLASSES_ROOT, L"VsHideFile", &key);
    ::RegSetValueExW(key, L"NeverShowExt", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    ::RegCloseKey(key);
    vstest::TOddNameTree tree;
    ASSERT_TRUE(tree.Made());
    for (const char* name : {"plain.txt", "c.TXT", "secret.vshide", "noext", "folder.ext/inner.txt", "hidden.txt"})
        tree.Dir.WriteFile(name, 3);
    ::SetFileAttributesW((tree.Dir.Path() / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);

    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden shown" : "hidden left out");
        List->SetOptions(loAllowRename | loAllowDrag | loShellMenu | (hidden ? loShowHidden : 0));
        List->SetRootFolder(tree.Dir.Utf8());
        std::map<std::string, std::string> rows;
        for (const auto& item : List->Model().AllRows().Storage())
            rows[std::string(FileNameOf(item->Path))] = item->DisplayName;
        EXPECT_EQ(ShellNames(tree.Dir.Utf8(), hidden), rows);
        EXPECT_EQ("secret", rows["secret.vshide"]);
        EXPECT_EQ(hidden ? 1u : 0u, rows.count("hidden.txt"));
    }
    // Dragged, the rows carry their exact entries, the odd names too.
    for (const char* name : {"x.", "x ", "sub.", "secret"}) List->SetSelected(Row(name));
    DWORD effects = 0;
    TComPtr<IDataObject> data = List->SelectionDataObject(effects);
    ASSERT_TRUE(data);
    const std::string base = tree.Dir.Utf8() + "\\";
    EXPECT_EQ(DroppedPaths(data.Get()),
              (std::set<std::string>{base + "x.", base + "x ", base + "sub.", base + "secret.vshide"}));
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, L".vshide");
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, L"VsHideFile");
}

// A folder whose path is past MAX_PATH (which the shell cuts) lists its own entries, by its exact path;
// its identifier list, made from the path's names past the first levels, holds each level once, and a
// file's list extends it.
TEST_F(ShellListView, AFolderPastMaxPathListsItsOwnEntries) {
    vstest::TTempDir dir;
    dir.WriteFile("top.txt", 1);
    std::wstring path = L"\\\\?\\" + dir.Path().wstring();
    std::vector<std::wstring> made;
    for (int i = 0; i < 160; ++i) {
        path += L"\\d";
        ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
        made.push_back(path);
    }
    const std::wstring leaf = path + L"\\leaf.txt";
    ASSERT_TRUE(TFileHandle(::CreateFileW(leaf.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)));
    const std::string deep = Narrow(path.substr(4));
    ASSERT_GT(deep.size(), static_cast<std::size_t>(MAX_PATH));
    List->SetRootFolder(deep);
    EXPECT_EQ(Captions(), std::vector<std::string>{"leaf.txt"});
    ASSERT_NE(List->CurrentFolder(), nullptr);
    EXPECT_EQ(List->CurrentFolder()->Path, deep);

    const auto* ids = reinterpret_cast<PCIDLIST_ABSOLUTE>(List->CurrentFolder()->AbsoluteIdList.get());
    TOwnedIdList top(ParseShellPath(dir.Utf8()));
    ASSERT_TRUE(top);
    EXPECT_EQ(IdListDepth(top.get()) + 160, IdListDepth(ids));
    EXPECT_TRUE(::ILIsParent(top.get(), ids, FALSE));
    TOwnedIdList leafPath(ParseShellPath(Narrow(leaf.substr(4))));  // a file past the first levels too
    ASSERT_TRUE(leafPath);
    EXPECT_EQ(IdListDepth(ids) + 1, IdListDepth(leafPath.get()));
    EXPECT_TRUE(::ILIsParent(ids, leafPath.get(), TRUE));
    List->SetRootFolder(dir.Utf8());
    ::DeleteFileW(leaf.c_str());
    for (auto it = made.rbegin(); it != made.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

TEST_F(ShellListView, ClearingOrRestylingDuringAFillWaitsForIt) {
    List->SetFiltered(true);
    int calls = 0;
    List->OnFilterItem = [&](TObject*, TStShellItem*, bool& accept) {
        accept = true;
        if (++calls == 2) {
            List->SetSpecialRootFolder(sfDrives);  // a fill, after this one
            List->SetSpecialRootFolder(sfNone);    // and clearing, after that
            List->ChangeViewStyle(vsList);
            EXPECT_EQ(List->ViewStyle(), vsReport);
        }
    };
    List->SetRootFolder(Tree->Path());
    // The first fill ended whole, in report view, with every child's details.
    EXPECT_EQ(List->Model().AllRows().Count(), calls);
    for (int i = 0; i < List->Model().AllRows().Count(); ++i)
        EXPECT_TRUE(List->Model().AllRows().Items(i)->DetailsFilled);
    List->OnFilterItem = nullptr;
    uitest::Pump(100);
    EXPECT_EQ(List->ViewStyle(), vsList);
    EXPECT_EQ(List->ItemCount(), 0);
    EXPECT_EQ(List->Model().AllRows().Count(), 0);
}

TEST_F(ShellListView, UpOneLevelListsTheParentUpToTheDesktop) {
    List->SetRootFolder(Tree->Path("sub\\deeper"));
    List->UpOneLevel();
    EXPECT_TRUE(SameText(List->CurrentFolder()->Path, Tree->Path("sub")));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"deeper", "a.bin"}));
    List->SetSpecialRootFolder(sfDesktop);
    ASSERT_TRUE(List->CurrentFolder()->IsDesktop);
    List->UpOneLevel();
    EXPECT_TRUE(List->CurrentFolder()->IsDesktop);
    EXPECT_GT(List->ItemCount(), 0);
}

TEST_F(ShellListView, InvalidRootRaisesAndClears) {
    EXPECT_THROW(List->SetRootFolder("Q:\\no\\such\\folder\\here"), ESsInvalidFolder);
    EXPECT_TRUE(List->RootFolder().empty());
}

TEST_F(ShellListView, DragCaptionCountsTheSelectedRows) {
    List->SetRootFolder(Tree->Path());
    for (const char* name : {"one.txt", "abc", "sub"}) List->SetSelected(Row(name));
    EXPECT_EQ(List->SelectionDragCaption(), "2 files, 1 folder");
    DWORD effects = 0;
    TComPtr<IDataObject> data = List->SelectionDataObject(effects);
    EXPECT_TRUE(data);
    EXPECT_TRUE(effects & DROPEFFECT_COPY);
}

// Records what the list forwards to a folder's drop target.
class TRecordingDropTarget : public TComUnknown<IDropTarget, IID_IDropTarget> {
public:
    TRecordingDropTarget(std::vector<std::string>& log, std::string path) : FLog(log), FPath(std::move(path)) {}
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* e) override {
        FLog.push_back("enter " + Name());
        *e = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* e) override {
        *e = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        FLog.push_back("leave " + Name());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* e) override {
        FLog.push_back(std::string("drop ") + Name() + (data ? "" : " without data"));
        *e = DROPEFFECT_COPY;
        return S_OK;
    }

private:
    std::string Name() const { return std::string(FileNameOf(FPath)); }
    std::vector<std::string>& FLog;
    std::string FPath;
};

// A drop goes to the shell's drop target of the folder row under the cursor, or of the current folder
// over empty space or a file row; the row under the cursor is highlighted meanwhile.
TEST_F(ShellListView, DropsGoToTheFolderOrTheRowUnderTheCursor) {
    vstest::TTempDir source, target;
    source.WriteFile("dropped.txt", 7);
    target.MakeDir("inner");
    target.WriteFile("plain.txt", 1);
    auto* from = new TStShellListView(Form.get(), Form.get());
    from->SetBounds(0, 0, 10, 10);
    from->SetRootFolder(source.Utf8());
    from->SetSelected(0);
    List->SetRootFolder(target.Utf8());
    // The real targets exist for the folder and for a folder row.
    EXPECT_TRUE(List->ShellDropTarget(-1));
    EXPECT_TRUE(List->ShellDropTarget(Row("inner")));

    std::vector<std::string> log;
    List->DropTargetHook = [&](const std::string& path) {
        TComPtr<IDropTarget> t;
        *t.Put() = new TRecordingDropTarget(log, path);
        return t;
    };
    IDropTarget* drop = List->DropTarget();
    ASSERT_NE(drop, nullptr);
    DWORD effects = 0;
    TComPtr<IDataObject> data = from->SelectionDataObject(effects);
    ASSERT_TRUE(data);
    auto at = [&](POINT client) {
        ::ClientToScreen(List->Handle(), &client);
        return POINTL{client.x, client.y};
    };
    auto rowPoint = [&](const char* name) {
        RECT r{};
        ListView_GetItemRect(List->Handle(), Row(name), &r, LVIR_LABEL);
        return POINT{r.left + 2, (r.top + r.bottom) / 2};
    };
    POINT empty{40, List->ClientHeight() - 40};
    DWORD effect = effects;
    drop->DragEnter(data.Get(), MK_LBUTTON, at(empty), &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = effects;
    drop->DragOver(MK_LBUTTON, at(rowPoint("inner")), &effect);
    EXPECT_EQ(ListView_GetItemState(List->Handle(), Row("inner"), LVIS_DROPHILITED),
              static_cast<UINT>(LVIS_DROPHILITED));
    effect = effects;
    drop->DragOver(MK_LBUTTON, at(rowPoint("plain.txt")), &effect);  // a file row: the folder again
    EXPECT_EQ(ListView_GetItemState(List->Handle(), Row("inner"), LVIS_DROPHILITED), 0u);
    effect = effects;
    drop->DragOver(MK_LBUTTON, at(rowPoint("inner")), &effect);
    effect = effects;
    drop->Drop(data.Get(), 0, at(rowPoint("inner")), &effect);
    std::string folder = std::string(FileNameOf(target.Utf8()));
    EXPECT_EQ(log, (std::vector<std::string>{"enter " + folder, "leave " + folder, "enter inner", "leave inner",
                                             "enter " + folder, "leave " + folder, "enter inner", "drop inner"}));
    EXPECT_EQ(ListView_GetItemState(List->Handle(), Row("inner"), LVIS_DROPHILITED), 0u);
}

TEST_F(ShellListView, ScreenshotFolderWithSizes) {
    VS_SCREENSHOT_ONLY();
    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path());
    uitest::Pump(200);
    EXPECT_TRUE(uitest::SaveWindowShot(Form->Handle(), "explorer_pane_sizes"));
}

}  // namespace
