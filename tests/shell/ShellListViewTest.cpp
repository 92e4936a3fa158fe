// The folder list on the real shell under Wine, over one shared tree of awkward files: what its rows
// show, sorting, the mask filter, navigation, rename and a fill asked for during a fill.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FsFixture.h"
#include "platform/Locale.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "shell/SizeText.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
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
        TStShellListView::SetSortState(0, true);
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
    void* desc = nullptr;
    ASSERT_TRUE(List->TypeDescriptions().Find(".VSTEST", desc));  // keys ignore case
    EXPECT_EQ(*static_cast<std::string*>(desc), "Voluscope Test Document");
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
    EXPECT_EQ(TStShellListView::SortColumn(), 0);
    EXPECT_FALSE(TStShellListView::Ascending());
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
        for (int i = 0; i < List->ActiveList().Count(); ++i) {
            TStShellItem* item = List->ActiveList().Items(i);
            if (item->IsFileSystemFolder)
                ++folders;
            else
                files.push_back(item->DisplayName);
        }
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, r.Files);
        EXPECT_EQ(folders, 4);
        EXPECT_EQ(List->ItemCount(), List->ActiveList().Count());
    }
    // The same text again does nothing: no fill, the filtered list stays.
    TStShellItem* first = List->ActiveList().Items(0);
    int fills = BeforeFills;
    List->SetFileFilter("a?c");
    EXPECT_EQ(List->ActiveList().Items(0), first);
    EXPECT_EQ(BeforeFills, fills);
}

TEST_F(ShellListView, FilterHandlerSeesEveryChildBeforeItsSize) {
    std::vector<std::string> seen;
    List->SetCalcFolderSize(true);
    List->SetFiltered(true);
    List->OnFilterItem = [&](TObject*, TStShellItem* item, bool& accept) {
        seen.push_back(item->DisplayName);
        EXPECT_EQ(item->FSize, -1);  // figures come after the handler
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
    uitest::Pump(50);
    ASSERT_EQ(Filled.size(), 2u);
    EXPECT_TRUE(SameText(Filled[1], Tree->Path("sub")));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"deeper", "a.bin"}));
}

TEST_F(ShellListView, InvalidRootRaisesAndClears) {
    EXPECT_THROW(List->SetRootFolder("Q:\\no\\such\\folder\\here"), ESsInvalidFolder);
    EXPECT_TRUE(List->RootFolder().empty());
}

TEST_F(ShellListView, ScreenshotFolderWithSizes) {
    VS_SCREENSHOT_ONLY();
    List->SetCalcFolderSize(true);
    List->SetRootFolder(Tree->Path());
    uitest::Pump(200);
    EXPECT_TRUE(uitest::SaveWindowShot(Form->Handle(), "explorer_pane_sizes"));
}

}  // namespace
