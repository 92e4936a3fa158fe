// TStShellNotification on real windows and files under Wine: the hidden window's queue and drain
// message, the order of events, the attribute change handled at once, the limit, the directory
// watcher on a real folder, and the cached totals each notification makes stale.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <dbt.h>

#include <filesystem>
#include <fstream>

#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "shell/DirWatcher_win.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"
#include "shell/NotificationNote.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellNotification.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

using vstest::Note;
using vstest::TFakeLister;
using vstest::TFakeVolumes;

namespace {

struct TSeen {
    std::string Event;
    std::string Path1, Path2;
    TStNotifyEventsSet Kinds;
};

class ShellNotification : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        FService.SetThreads(1);
        FVolumes.SetDrive('C', 4096);
        N = std::make_unique<TStShellNotification>(nullptr);
        N->SetFolderSizeService(&FService);
        auto record = [this](const char* name) {
            return [this, name](TObject*, const TStNotifyItem* a, const TStNotifyItem* b) {
                Seen.push_back({name, a ? a->Path : "-", b ? b->Path : "-", {}});
            };
        };
        N->OnFileCreate = record("create");
        N->OnFileDelete = record("delete");
        N->OnFileChanged = record("change");
        N->OnFileRenamed = record("rename");
        N->OnFolderCreated = record("mkdir");
        N->OnFolderChanged = record("updatedir");
        N->OnAttributeChanged = record("attributes");
        N->OnDriveSpaceChanged = record("freespace");
        N->OnShellChangeNotify = [this](TObject* sender, const TStNotifyItem* a, const TStNotifyItem* b,
                                        TStNotifyEventsSet kinds) {
            EXPECT_EQ(N.get(), sender);
            Seen.push_back({"summary", a ? a->Path : "-", b ? b->Path : "-", kinds});
            if (OnSummary) OnSummary();
        };
    }
    void TearDown() override {
        N.reset();
        uitest::Pump();
    }
    std::vector<std::string> Events() const {
        std::vector<std::string> e;
        for (const auto& s : Seen) e.push_back(s.Event + " " + s.Path1);
        return e;
    }
    bool Stale(const std::string& key) {
        TFolderSizeEntry e;
        return FService.FolderSizeCache().Find(key, e) && e.Totals.Size < 0;
    }
    bool Saw(const std::string& event, const std::string& path) const {
        for (const auto& s : Seen)
            if (s.Event == event && s.Path1 == path) return true;
        return false;
    }
    // Pumps until an event names path (up to 3 s).
    bool WaitFor(const std::string& event, const std::string& path) {
        return uitest::PumpUntil([&] { return Saw(event, path); });
    }

    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};
    std::unique_ptr<TStShellNotification> N;
    std::vector<TSeen> Seen;
    std::function<void()> OnSummary;
};

}  // namespace

TEST_F(ShellNotification, QueuedNotificationsAreHandledAfterTheCurrentMessageInOrder) {
    N->Receive(Note(shcne::kCreate | shcne::kFreeSpace, "c:\\a\\new.txt"));
    N->Receive(Note(shcne::kMkDir | shcne::kUpdateDir, "c:\\a\\sub", true));
    EXPECT_TRUE(Seen.empty());  // nothing before the drain message runs
    EXPECT_EQ(2u, N->Queue().Count());
    uitest::Pump();
    EXPECT_EQ((std::vector<std::string>{"create c:\\a\\new.txt", "freespace c:\\a\\new.txt", "summary c:\\a\\new.txt",
                                        "mkdir c:\\a\\sub", "updatedir c:\\a\\sub", "summary c:\\a\\sub"}),
              Events());
    EXPECT_EQ((TStNotifyEventsSet{neFileCreate, neDriveSpaceChange}), Seen[2].Kinds);
    EXPECT_EQ((TStNotifyEventsSet{neFolderCreate, neFolderUpdate}), Seen[5].Kinds);
    EXPECT_TRUE(N->Queue().Empty());
}

TEST_F(ShellNotification, AttributeChangeIsHandledAtOnce) {
    N->Receive(Note(shcne::kAttributes, "c:\\a\\f.txt"));
    EXPECT_EQ((std::vector<std::string>{"attributes c:\\a\\f.txt", "summary c:\\a\\f.txt"}), Events());
    EXPECT_EQ(TStNotifyEventsSet{neAttributesChange}, Seen[1].Kinds);
    EXPECT_TRUE(N->Queue().Empty());
}

TEST_F(ShellNotification, SummaryInvalidatesTheFolderChainBeforeItIsRaised) {
    FLister.AddFile("c:\\r\\a\\b\\f.txt", 10);
    FLister.AddFile("c:\\r\\other\\g.txt", 10);
    std::int64_t used, count;
    FService.FolderSize("c:\\r", "*.*", used, count);
    bool staleAtSummary = false;
    OnSummary = [&] { staleAtSummary = Stale("c:\\r\\a\\b\\") && Stale("c:\\r\\a\\") && Stale("c:\\r\\"); };
    N->Receive(Note(shcne::kDelete, "c:\\r\\a\\b\\f.txt"));
    uitest::Pump();
    EXPECT_TRUE(staleAtSummary);
    EXPECT_FALSE(Stale("c:\\r\\other\\"));

    // Without a summary handler nothing is invalidated.
    FService.FolderSize("c:\\r", "*.*", used, count);
    N->OnShellChangeNotify = nullptr;
    N->Receive(Note(shcne::kDelete, "c:\\r\\a\\b\\f.txt"));
    uitest::Pump();
    EXPECT_FALSE(Stale("c:\\r\\a\\b\\"));
}

TEST_F(ShellNotification, DroppedNotificationsStillInvalidateAndAreFoldedIntoOneMore) {
    N->SetQueueLimit(2);
    for (int s = 0; s < 6; ++s) FLister.AddFile("c:\\r\\s" + std::to_string(s) + "\\f.txt", 10);
    std::int64_t used, count;
    FService.FolderSize("c:\\r", "*.*", used, count);
    for (int s = 0; s < 6; ++s) N->Receive(Note(shcne::kCreate, "c:\\r\\s" + std::to_string(s) + "\\new.txt"));
    // Three wait; the three dropped ones made their folders stale at once.
    EXPECT_EQ(3u, N->Queue().Count());
    for (int s = 3; s < 6; ++s) EXPECT_TRUE(Stale("c:\\r\\s" + std::to_string(s) + "\\")) << s;
    uitest::Pump();
    int summaries = 0;
    for (const auto& e : Seen) summaries += e.Event == "summary";
    EXPECT_EQ(4, summaries);  // three queued, and one for all that were dropped
    EXPECT_EQ("c:\\r\\s3\\new.txt", Seen.back().Path1);
}

TEST_F(ShellNotification, NotificationsArrivingDuringAHandlerAreHandledToo) {
    // A handler that lets messages run (as a listing does) and receives more meanwhile.
    int nested = 0;
    OnSummary = [&] {
        if (nested++ == 0) {
            N->Receive(Note(shcne::kDelete, "c:\\x\\late.txt"));
            Application->ProcessMessages();
        }
    };
    N->Receive(Note(shcne::kCreate, "c:\\x\\first.txt"));
    uitest::Pump();
    EXPECT_EQ((std::vector<std::string>{"create c:\\x\\first.txt", "summary c:\\x\\first.txt", "delete c:\\x\\late.txt",
                                        "summary c:\\x\\late.txt"}),
              Events());
}

TEST_F(ShellNotification, WatchFolderRulesAndRegistration) {
    EXPECT_EQ(TStNotifyEventsSet::All(), N->NotifyEvents());
    N->SetWatchFolder("C:");
    EXPECT_EQ("C:\\", N->WatchFolder());
    try {
        N->SetWatchFolder("Q:\\no\\such\\<folder>");
        FAIL() << "no error";
    } catch (const ESsInvalidFolder& e) {
        EXPECT_STREQ("Invalid folder", e.what());
    }
    EXPECT_EQ("C:\\", N->WatchFolder());
    vstest::TTempDir dir;
    N->SetWatchFolder(dir.Utf8());
    EXPECT_FALSE(N->Registered());
    N->SetActive(true);
    EXPECT_TRUE(N->Registered());
    EXPECT_EQ(dir.Utf8(), N->WatchedPath());
    N->SetActive(false);
    EXPECT_FALSE(N->Registered());
    EXPECT_EQ("", N->WatchedPath());
}

TEST_F(ShellNotification, RealChangesInTheWatchedFolderArrive) {
    vstest::TTempDir dir;
    const std::string root = dir.Utf8();
    auto file = dir.WriteFile("present.txt", 100);
    N->SetWatchFolder(root);
    N->SetWatchSubFolders(true);
    N->SetActive(true);
    uitest::Pump(200);

    dir.WriteFile("created.txt", 10);
    EXPECT_TRUE(WaitFor("create", root + "\\created.txt"));
    std::filesystem::remove(file);
    EXPECT_TRUE(WaitFor("delete", root + "\\present.txt"));
    std::filesystem::rename(dir.Path() / "created.txt", dir.Path() / "renamed.txt");
    EXPECT_TRUE(WaitFor("rename", root + "\\created.txt"));
    for (const auto& s : Seen) {
        if (s.Event == "rename") {
            EXPECT_EQ(root + "\\renamed.txt", s.Path2);
        }
    }
    std::filesystem::create_directory(dir.Path() / "newdir");
    EXPECT_TRUE(WaitFor("mkdir", root + "\\newdir"));
    ::SetFileAttributesW((dir.Path() / "renamed.txt").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(WaitFor("attributes", root + "\\renamed.txt"));
    ::SetFileAttributesW((dir.Path() / "renamed.txt").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    N->SetActive(false);
}

TEST_F(ShellNotification, OnlyTheKindsAskedForArrive) {
    vstest::TTempDir dir;
    N->SetWatchFolder(dir.Utf8());
    N->SetNotifyEvents({neFileDelete});
    N->SetActive(true);
    uitest::Pump(200);
    auto f = dir.WriteFile("a.txt", 1);
    uitest::Pump(500);
    std::filesystem::remove(f);
    EXPECT_TRUE(WaitFor("delete", dir.Utf8() + "\\a.txt"));
    for (const auto& s : Seen) EXPECT_NE("create", s.Event);
}

TEST(DirWatcherTranslate, RecordsBecomeShellEvents) {
    vstest::TTempDir dir;
    dir.MakeDir("folder");
    dir.WriteFile("file.txt", 1);
    dir.WriteFile("moved.txt", 1);
    const std::string root = dir.Utf8();
    using R = TDirWatcher::TRecord;
    auto out = TDirWatcher::Translate(
        root,
        {R{FILE_ACTION_ADDED, L"file.txt"}, R{FILE_ACTION_ADDED, L"folder"}, R{FILE_ACTION_REMOVED, L"gone"},
         R{FILE_ACTION_MODIFIED, L"file.txt"}, R{FILE_ACTION_MODIFIED, L"folder"},
         R{FILE_ACTION_RENAMED_OLD_NAME, L"old.txt"}, R{FILE_ACTION_RENAMED_NEW_NAME, L"moved.txt"},
         R{FILE_ACTION_RENAMED_OLD_NAME, L"left.txt"}},
        false);
    struct TExpect {
        std::uint32_t Events;
        std::string Path1, Path2;
    };
    const TExpect want[] = {
        {shcne::kCreate, root + "\\file.txt", ""},  {shcne::kMkDir, root + "\\folder", ""},
        {shcne::kDelete, root + "\\gone", ""},      {shcne::kUpdateItem, root + "\\file.txt", ""},
        {shcne::kUpdateDir, root + "\\folder", ""}, {shcne::kRenameItem, root + "\\old.txt", root + "\\moved.txt"},
        {shcne::kDelete, root + "\\left.txt", ""}};
    ASSERT_EQ(std::size(want), out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].Events, out[i].Events);
        EXPECT_EQ(want[i].Path1, out[i].Item1->Path);
        EXPECT_EQ(want[i].Path2, out[i].Item2 ? out[i].Item2->Path : "");
        EXPECT_FALSE(out[i].WholeTree);
    }
    EXPECT_TRUE(out[1].Item1->IsFolder);
    EXPECT_EQ("folder", out[1].Item1->DisplayName);
    // The attribute watch reports attribute changes.
    out = TDirWatcher::Translate(root, {R{FILE_ACTION_MODIFIED, L"file.txt"}}, true);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(shcne::kAttributes, out[0].Events);
    // An overflow: the whole tree.
    out = TDirWatcher::Translate(root, {}, false);
    ASSERT_EQ(1u, out.size());
    EXPECT_TRUE(out[0].WholeTree);
    EXPECT_EQ(root, out[0].Item1->Path);
    EXPECT_TRUE(out[0].Item1->IsFolder);
}

TEST_F(ShellNotification, WatcherOverflowInvalidatesTheWholeTree) {
    for (int s = 0; s < 4; ++s) FLister.AddFile("c:\\r\\s" + std::to_string(s) + "\\deep\\f.txt", 10);
    std::int64_t used, count;
    FService.FolderSize("c:\\r", "*.*", used, count);
    FLister.ResetReads();
    for (auto& n : TDirWatcher::Translate("c:\\r", {}, false)) N->Receive(std::move(n));
    uitest::Pump();
    ASSERT_FALSE(Seen.empty());
    EXPECT_TRUE(Seen.back().Kinds.Contains(neFolderUpdate));
    FService.FolderSize("c:\\r", "*.*", used, count);
    EXPECT_EQ(9, FLister.ReadsTotal());  // the root, 4 sub-folders, 4 deeper ones: all read again
}

TEST(ShellNotificationDisk, ACreatedFileMakesTheRealTotalsExactAgain) {
    // The process-wide service over the real disk, and a real change seen by the watcher.
    vstest::TTempDir dir;
    dir.WriteFile("sub\\a.bin", 1000);
    dir.WriteFile("b.bin", 500);
    const std::string root = dir.Utf8();
    std::int64_t used = 0, count = 0;
    ASSERT_EQ(1500, FolderSize(root, "*.*", used, count));
    TStShellNotification n(nullptr);
    bool seen = false;
    n.OnShellChangeNotify = [&](TObject*, const TStNotifyItem* a, const TStNotifyItem*, TStNotifyEventsSet) {
        seen = seen || (a && a->Path == root + "\\c.bin");
    };
    n.SetWatchFolder(root);
    n.SetWatchSubFolders(true);
    n.SetActive(true);
    uitest::Pump(200);
    dir.WriteFile("c.bin", 250);
    uitest::PumpUntil([&] { return seen; });
    ASSERT_TRUE(seen);
    EXPECT_EQ(1750, FolderSize(root, "*.*", used, count));
    EXPECT_EQ(3, count);
}

namespace {
// Whether the folder can be opened with no sharing at all, as locking a drive for ejection needs.
bool OpenableExclusively(const vstest::TTempDir& dir) {
    TFileHandle h(::CreateFileW(dir.Path().wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return static_cast<bool>(h);
}
}  // namespace

TEST_F(ShellNotification, AChangeJustBeforeTheWatchStopsIsNotLost) {
    vstest::TTempDir dir;
    N->SetWatchFolder(dir.Utf8());
    N->SetActive(true);
    uitest::Pump(200);
    N->BeforeWatcherStops = [&] {
        dir.WriteFile("late.txt", 1);
        // The watcher has handed the change over when it asks for the drain (which is not run here).
        MSG m;
        for (int i = 0; i < 300; ++i) {
            if (::PeekMessageW(&m, N->Handle(), kDirWatcherMessage, kDirWatcherMessage, PM_NOREMOVE)) break;
            ::Sleep(10);
        }
    };
    N->SetActive(false);
    EXPECT_TRUE(WaitFor("create", dir.Utf8() + "\\late.txt"));
}

TEST_F(ShellNotification, ARemovalRequestClosesTheFolderAndStopsTheWatchUntilTheDriveIsBack) {
    vstest::TTempDir dir;
    N->SetWatchFolder(dir.Utf8());
    N->SetActive(true);
    uitest::Pump(200);
    ASSERT_NE(nullptr, N->Watcher());
    EXPECT_FALSE(OpenableExclusively(dir));  // the watch holds the folder open
    // What the system sends the window registered for the handle when the user ejects the drive.
    auto send = [&](WPARAM event) {
        DEV_BROADCAST_HANDLE b{};
        b.dbch_size = sizeof b;
        b.dbch_devicetype = DBT_DEVTYP_HANDLE;
        b.dbch_handle = N->Watcher()->FolderHandle();
        b.dbch_hdevnotify = N->Watcher()->DeviceRegistration();
        return ::SendMessageW(N->Handle(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&b));
    };
    ASSERT_NE(nullptr, N->Watcher()->DeviceRegistration());  // registered for the handle's device
    dir.WriteFile("before.txt", 1);
    EXPECT_EQ(TRUE, send(DBT_DEVICEQUERYREMOVE));
    EXPECT_TRUE(OpenableExclusively(dir));
    EXPECT_EQ("", N->WatchedPath());
    EXPECT_TRUE(WaitFor("create", dir.Utf8() + "\\before.txt"));  // seen before the removal: kept
    dir.WriteFile("during.txt", 1);
    uitest::Pump(400);
    EXPECT_FALSE(Saw("create", dir.Utf8() + "\\during.txt"));

    // Someone refused the removal: the watch goes on.
    send(DBT_DEVICEQUERYREMOVEFAILED);
    EXPECT_EQ(dir.Utf8(), N->WatchedPath());
    EXPECT_FALSE(OpenableExclusively(dir));
    dir.WriteFile("after.txt", 1);
    EXPECT_TRUE(WaitFor("create", dir.Utf8() + "\\after.txt"));

    // Removed: closed for good, until a volume arrives and the folder is there again.
    send(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(OpenableExclusively(dir));
    EXPECT_EQ("", N->WatchedPath());
    DEV_BROADCAST_DEVICEINTERFACE_W arrival{};
    arrival.dbcc_size = sizeof arrival;
    arrival.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::SendMessageW(N->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&arrival));
    EXPECT_EQ(dir.Utf8(), N->WatchedPath());
    dir.WriteFile("back.txt", 1);
    EXPECT_TRUE(WaitFor("create", dir.Utf8() + "\\back.txt"));
}
