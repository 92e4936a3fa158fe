// The folder list following changes on disk, under Wine with real files: the list's notification
// re-armed on its folder, the folder read again with only the changed branch walked, a change
// elsewhere ignored, a rename in progress ignoring notifications, an attribute change refreshing
// details without reading the folder again, a burst leaving every total exact, changes that keep
// coming read at most twice a second, and a re-read updating the rows in place. Sub-folder changes,
// which Wine does not report, are injected through the notification's own queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "shell/FolderSize.h"
#include "shell/NotificationNote.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellNotification.h"
#include "shell/ShellNotificationList.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

struct TListEvent {
    std::string OldPath;
    unsigned Events;
};

class ShellListLive : public ::testing::Test {
protected:
    void SetUp() override {
        for (int s = 0; s < 10; ++s) Dir.WriteFile("sub" + std::to_string(s) + "\\f.bin", 100);
        Dir.WriteFile("top.txt", 10);
        Form = uitest::HostForm(900, 500);
        List = new TStShellListView(Form.get(), Form.get());
        List->SetAlign(alClient);
        List->SetCalcFolderSize(true);
        Notification = AttachChangeNotification(List);
        List->OnShellChangeNotify = [this](TObject* sender, TStShellItem* o, TStShellItem*, unsigned events) {
            EXPECT_EQ(List, sender);
            Seen.push_back({o ? o->Path : "-", events});
        };
        Form->Show();
        List->SetRootFolder(Dir.Utf8());
        uitest::Pump(100);
    }
    void TearDown() override {
        Form.reset();
        uitest::Pump();
    }
    int Row(const std::string& caption) const {
        for (int i = 0; i < List->ItemCount(); ++i)
            if (List->Item(i).Caption == caption) return i;
        return -1;
    }
    TStShellItem* RowItem(const std::string& caption) {
        int r = Row(caption);
        return r < 0 ? nullptr : List->RowItem(r);
    }
    // Bytes in the files below a folder, read from disk.
    static std::int64_t DiskBytes(const fs::path& folder) {
        std::int64_t total = 0;
        for (auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file()) total += static_cast<std::int64_t>(e.file_size());
        return total;
    }
    void Inject(std::uint32_t events, const std::string& path) { Notification->Receive(vstest::Note(events, path)); }
    bool Stale(const std::string& path) {
        TFolderSizeEntry e;
        return FolderSizeCache().Find(FolderSizeService().CacheKey(path), e) && e.Totals.Size < 0;
    }

    vstest::TTempDir Dir;
    std::unique_ptr<TForm> Form;
    TStShellListView* List = nullptr;
    TStShellNotification* Notification = nullptr;
    std::vector<TListEvent> Seen;
};

}  // namespace

TEST_F(ShellListLive, IsArmedOnTheListsFolderAfterEveryFill) {
    EXPECT_TRUE(Notification->Active());
    EXPECT_EQ(2u, Notification->QueueLimit());
    EXPECT_TRUE(Notification->WatchSubFolders());
    EXPECT_EQ(TStNotifyEventsSet::All(), Notification->NotifyEvents());
    EXPECT_EQ(Dir.Utf8(), Notification->WatchedPath());
    List->SetRootFolder(Dir.Utf8() + "\\sub3");
    EXPECT_EQ(Dir.Utf8() + "\\sub3", Notification->WatchedPath());
}

TEST_F(ShellListLive, DeletingAFileInTheFolderReadsTheListAgain) {
    ASSERT_GE(Row("top.txt"), 0);
    fs::remove(Dir.Path() / "top.txt");
    EXPECT_TRUE(uitest::PumpUntil([&] { return Row("top.txt") < 0; }));
    ASSERT_FALSE(Seen.empty());
    EXPECT_EQ(Dir.Utf8() + "\\top.txt", Seen[0].OldPath);
    EXPECT_TRUE(Seen[0].Events & (1u << neFileDelete));
    // A file created there appears.
    Dir.WriteFile("new.txt", 7);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Row("new.txt") >= 0; }));
}

TEST_F(ShellListLive, ASubFolderChangeWalksOnlyThatBranchAgain) {
    ASSERT_NE(nullptr, RowItem("sub3"));
    EXPECT_EQ(100, RowItem("sub3")->Size());
    Dir.WriteFile("sub3\\more.bin", 900);
    Inject(shcne::kCreate, Dir.Utf8() + "\\sub3\\more.bin");
    // Before the drain message runs the folder and its ancestors are not yet stale ...
    EXPECT_FALSE(Stale(Dir.Utf8() + "\\sub3"));
    uitest::Pump();
    ASSERT_EQ(1u, Seen.size());
    EXPECT_EQ(1000, RowItem("sub3")->Size());
    // ... and after it every other sub-folder's total is still the cached one: it was not walked.
    for (int s = 0; s < 10; ++s) {
        if (s == 3) continue;
        TFolderSizeEntry e;
        ASSERT_TRUE(FolderSizeCache().Find(FolderSizeService().CacheKey(Dir.Utf8() + "\\sub" + std::to_string(s)), e));
        EXPECT_EQ(100, e.Totals.Size) << s;
    }
}

TEST_F(ShellListLive, AChangeInAnUnrelatedFolderDoesNotReachTheList) {
    vstest::TTempDir elsewhere;
    elsewhere.WriteFile("x.txt", 5);
    fs::remove(elsewhere.Path() / "x.txt");
    uitest::Pump(600);
    EXPECT_TRUE(Seen.empty());
}

TEST_F(ShellListLive, ARenameInProgressIgnoresNotifications) {
    TStShellItem* before = List->RowItem(0);
    List->EditCaption(0);
    uitest::Pump();
    HWND edit = ListView_GetEditControl(List->Handle());
    ASSERT_NE(nullptr, edit);
    Inject(shcne::kCreate, Dir.Utf8() + "\\sub1\\x.bin");
    uitest::Pump();
    EXPECT_TRUE(Seen.empty());
    EXPECT_EQ(before, List->RowItem(0));  // not read again
    uitest::PressKey(edit, VK_ESCAPE);
    uitest::Pump();
    Inject(shcne::kCreate, Dir.Utf8() + "\\sub1\\y.bin");
    uitest::Pump();
    EXPECT_EQ(1u, Seen.size());
}

TEST_F(ShellListLive, AnAttributeChangeRefreshesDetailsWithoutReadingTheFolder) {
    TStShellItem* before = List->RowItem(0);
    const int rows = List->ItemCount();
    ::SetFileAttributesW((Dir.Path() / "top.txt").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(uitest::PumpUntil([&] { return !Seen.empty(); }));
    ::SetFileAttributesW((Dir.Path() / "top.txt").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    uitest::Pump(300);
    ASSERT_FALSE(Seen.empty());
    EXPECT_EQ(1u << neAttributesChange, Seen[0].Events);
    EXPECT_EQ(Dir.Utf8() + "\\top.txt", Seen[0].OldPath);
    EXPECT_EQ(before, List->RowItem(0));
    EXPECT_EQ(rows, List->ItemCount());
}

TEST_F(ShellListLive, ABurstOfCreatesInTenSubFoldersLeavesEveryTotalExact) {
    for (int i = 0; i < 1000; ++i) {
        std::string file = "sub" + std::to_string(i % 10) + "\\burst" + std::to_string(i) + ".bin";
        Dir.WriteFile(file, static_cast<std::uint64_t>(1 + i % 37));
        Inject(shcne::kCreate, Dir.Utf8() + "\\" + file);
    }
    // The queue keeps three; the rest were dropped, but their folders are stale already.
    EXPECT_EQ(3u, Notification->Queue().Count());
    EXPECT_TRUE(uitest::PumpUntil([&] { return Notification->Queue().Empty(); }));
    uitest::Pump(100);
    EXPECT_LE(Seen.size(), 4u);
    for (int s = 0; s < 10; ++s) {
        const std::string name = "sub" + std::to_string(s);
        ASSERT_NE(nullptr, RowItem(name)) << name;
        EXPECT_EQ(DiskBytes(Dir.Path() / name), RowItem(name)->Size()) << name;
    }
}

TEST_F(ShellListLive, ChangesThatKeepComingAreReadAtMostTwiceASecondAndOnceMoreWhenTheyStop) {
    int reads = 0;  // top.txt passes the filter event once per reading of the folder
    List->SetFileFilter("*.*");
    List->OnFilterItem = [&](TObject*, TStShellItem* item, bool&) { reads += item->DisplayName == "top.txt"; };
    List->SetFiltered(true);
    uitest::Pump(100);
    reads = 0;
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < 30; ++i) {
        const std::string name = "c" + std::to_string(i) + ".txt";
        Dir.WriteFile(name, 1);
        Inject(shcne::kCreate, Dir.Utf8() + "\\" + name);
        uitest::Pump(50);
    }
    const int whileComing = reads;
    const int elapsed = static_cast<int>(::GetTickCount() - start);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Row("c29.txt") >= 0; }));  // read once more after the last
    uitest::Pump(600);
    EXPECT_GE(whileComing, 2);
    EXPECT_LE(whileComing, 1 + elapsed / 500 + 1);
    EXPECT_LE(reads, whileComing + 1);
}

TEST_F(ShellListLive, AReReadUpdatesTheRowsInPlaceKeepingSelectionFocusAndScrollPosition) {
    for (int i = 10; i < 90; ++i) Dir.WriteFile("f" + std::to_string(i) + ".txt", 10);
    // As in the program: the filter event runs for every child while the folder is read again.
    std::vector<int> rowsWhileReading;
    List->SetFileFilter("*.*");
    List->OnFilterItem = [&](TObject*, TStShellItem*, bool&) { rowsWhileReading.push_back(List->ItemCount()); };
    List->SetFiltered(true);
    uitest::Pump(100);
    const HWND h = List->Handle();
    // f30 and f32 selected, the focus on f32, scrolled so that f25 is the top row.
    ListView_SetItemState(h, Row("f30.txt"), LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(h, Row("f32.txt"), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    RECT r{};
    ListView_GetItemRect(h, 0, &r, LVIR_BOUNDS);
    ListView_Scroll(h, 0, (r.bottom - r.top) * (Row("f25.txt") - List->TopIndex()));
    ASSERT_EQ(Row("f25.txt"), List->TopIndex());
    rowsWhileReading.clear();
    std::map<std::string, TRowId> ids;
    for (int row = 0; row < List->ItemCount(); ++row) ids[List->RowItem(row)->DisplayName] = List->Model().RowId(row);

    // A row comes above the top, one goes below it, one grows.
    Dir.WriteFile("f12a.txt", 1);
    fs::remove(Dir.Path() / "f60.txt");
    Dir.WriteFile("f31.txt", 5000);
    Inject(shcne::kCreate, Dir.Utf8() + "\\f12a.txt");
    ASSERT_TRUE(uitest::PumpUntil([&] { return Row("f12a.txt") >= 0 && Row("f60.txt") < 0; }));
    uitest::Pump(100);
    EXPECT_EQ((std::vector<int>{Row("f30.txt"), Row("f32.txt")}), List->SelectedIndices());
    EXPECT_EQ(Row("f32.txt"), List->FocusedIndex());
    EXPECT_EQ(Row("f25.txt"), List->TopIndex());
    EXPECT_EQ("4KB", List->Item(Row("f31.txt")).SubItems.at(0));
    // The rows kept keep their ids; the one that went has none, the one that came a new one.
    for (int row = 0; row < List->ItemCount(); ++row) {
        const std::string name = List->RowItem(row)->DisplayName;
        if (name != "f12a.txt") EXPECT_EQ(ids.at(name), List->Model().RowId(row)) << name;
    }
    EXPECT_EQ(nullptr, List->Model().Find(ids.at("f60.txt")));
    const TRowId added = List->Model().IdOf(List->RowItem(Row("f12a.txt")));
    for (const auto& [name, id] : ids) EXPECT_LT(id, added) << name;
    ASSERT_FALSE(rowsWhileReading.empty());
    EXPECT_EQ(0, std::count(rowsWhileReading.begin(), rowsWhileReading.end(), 0));
}
