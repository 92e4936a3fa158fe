// The portable part of change notification: the kinds and their order, the queue with its limit and
// the folding of dropped notifications, and the cached totals a notification makes stale, counted in
// directory reads over the in-memory tree.
#include <gtest/gtest.h>

#include "shell/FakeListing.h"
#include "shell/FolderSize.h"
#include "shell/NotificationNote.h"
#include "shell/ShellNotificationQueue.h"

using vstest::Note;
using vstest::TFakeLister;
using vstest::TFakeVolumes;

namespace {

class NotificationInvalidation : public ::testing::Test {
protected:
    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};

    void SetUp() override {
        FService.SetThreads(1);
        FVolumes.SetDrive('C', 4096);
        for (int s = 0; s < 10; ++s)
            for (int f = 0; f < 3; ++f)
                FLister.AddFile("c:\\r\\s" + std::to_string(s) + "\\deep\\f" + std::to_string(f) + ".txt", 100);
        FLister.AddFile("c:\\r\\top.txt", 7);
        FLister.AddFile("c:\\elsewhere\\x.txt", 1);
    }
    std::int64_t Size(const std::string& path) {
        std::int64_t used = 0, count = 0;
        return FService.FolderSize(path, "*.*", used, count);
    }
    // What a service with an empty cache computes.
    std::int64_t FreshSize(const std::string& path) {
        TFolderSizeService fresh(FLister, FVolumes);
        fresh.SetThreads(1);
        std::int64_t used = 0, count = 0;
        return fresh.FolderSize(path, "*.*", used, count);
    }
    bool Stale(const std::string& key) {
        TFolderSizeEntry e;
        return FService.FolderSizeCache().Find(key, e) && e.Totals.Size < 0;
    }
};

}  // namespace

TEST(NotifyKinds, DispatchOrderAndShellBits) {
    struct TCase {
        std::uint32_t Bits;
        std::vector<TStNotifyEvent> Kinds;
    };
    const TCase cases[] = {
        {shcne::kCreate, {neFileCreate}},
        {shcne::kFreeSpace | shcne::kAssocChanged | shcne::kDelete,
         {neAssociationChange, neFileDelete, neDriveSpaceChange}},
        {shcne::kUpdateDir | shcne::kMkDir | shcne::kUpdateItem, {neFileChange, neFolderCreate, neFolderUpdate}},
        {shcne::kRenameFolder | shcne::kRenameItem, {neFileRename, neFolderRename}},
        {shcne::kDriveAdd | shcne::kDriveRemoved | shcne::kDriveAddGui | shcne::kMediaInserted | shcne::kMediaRemoved,
         {neDriveAdd, neDriveRemove, neShellDriveAdd, neMediaInsert, neMediaRemove}},
        {shcne::kNetShare | shcne::kNetUnshare | shcne::kServerDisconnect | shcne::kUpdateImage | shcne::kRmDir,
         {neFolderDelete, neNetShare, neNetUnShare, neServerDisconnect, neImageListChange}},
        // The attribute change is handled on arrival, never dispatched from the queue.
        {shcne::kAttributes, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Kinds, DispatchKinds(c.Bits)) << std::hex << c.Bits;

    // All 20 kinds stand for 20 different bits, and each maps back to itself.
    std::uint32_t all = ShellEventBits(TStNotifyEventsSet::All());
    EXPECT_EQ(20, __builtin_popcount(all));
    for (int k = 0; k < kNotifyEventCount; ++k) {
        auto kind = static_cast<TStNotifyEvent>(k);
        if (kind == neAttributesChange) continue;
        EXPECT_EQ(std::vector<TStNotifyEvent>{kind}, DispatchKinds(ShellEventBit(kind))) << k;
    }
    EXPECT_EQ(shcne::kDriveAdd | shcne::kDriveRemoved | shcne::kDriveAddGui,
              ShellEventBits({neDriveAdd, neDriveRemove, neShellDriveAdd}));
}

TEST(NotifyQueue, LimitDropsAndFoldsTheRest) {
    TStNotificationQueue q;
    q.SetLimit(2);
    std::vector<std::string> dropped;
    q.OnDrop = [&](const TStNotification& n) { dropped.push_back(n.Item1->Path); };
    using R = TStNotificationQueue::TReceived;
    EXPECT_EQ(R::QueuedFirst, q.Receive(Note(shcne::kCreate, "c:\\a\\1")));
    EXPECT_EQ(R::Queued, q.Receive(Note(shcne::kCreate, "c:\\a\\2")));
    EXPECT_EQ(R::Queued, q.Receive(Note(shcne::kCreate, "c:\\a\\3")));
    // More than the limit is waiting: the rest is dropped, but reported and kept as one entry.
    EXPECT_EQ(R::Dropped, q.Receive(Note(shcne::kDelete, "c:\\b\\4")));
    EXPECT_EQ(R::Dropped, q.Receive(Note(shcne::kMkDir, "c:\\c\\5", true)));
    EXPECT_EQ(3u, q.Count());
    EXPECT_EQ((std::vector<std::string>{"c:\\b\\4", "c:\\c\\5"}), dropped);
    EXPECT_EQ(2u, q.DroppedTotal());

    for (int i = 0; i < 3; ++i) q.PopHead();
    // Once drained, the dropped ones come back as one entry with all their kinds.
    EXPECT_TRUE(q.RequeueDropped());
    ASSERT_EQ(1u, q.Count());
    EXPECT_EQ(shcne::kDelete | shcne::kMkDir, q.Head().Events);
    EXPECT_EQ("c:\\b\\4", q.Head().Item1->Path);
    q.PopHead();
    EXPECT_FALSE(q.RequeueDropped());
}

TEST(NotifyQueue, AttributeChangesDuplicatesAndNoLimit) {
    TStNotificationQueue q;
    using R = TStNotificationQueue::TReceived;
    EXPECT_EQ(R::HandleNow, q.Receive(Note(shcne::kAttributes, "c:\\a\\f")));
    EXPECT_TRUE(q.Empty());
    EXPECT_EQ(R::QueuedFirst, q.Receive(Note(shcne::kUpdateItem, "c:\\a\\f")));
    // The head may be in the middle of its handling: the same change again is queued behind it ...
    EXPECT_EQ(R::Queued, q.Receive(Note(shcne::kUpdateItem, "c:\\a\\f")));
    // ... but once that is waiting, repeats of it are not.
    EXPECT_EQ(R::Duplicate, q.Receive(Note(shcne::kUpdateItem, "c:\\a\\f")));
    EXPECT_EQ(R::Queued, q.Receive(Note(shcne::kUpdateItem, "c:\\a\\g")));
    EXPECT_EQ(R::Queued, q.Receive(Note(shcne::kDelete, "c:\\a\\f")));
    // Without a limit nothing is dropped.
    for (int i = 0; i < 100; ++i) q.Receive(Note(shcne::kCreate, "c:\\n\\" + std::to_string(i)));
    EXPECT_EQ(104u, q.Count());
    EXPECT_EQ(0u, q.DroppedTotal());
}

TEST_F(NotificationInvalidation, AChangeReadsOnlyItsBranchAgain) {
    const std::int64_t before = Size("c:\\r");
    EXPECT_EQ(3007, before);
    FLister.ResetReads();
    EXPECT_EQ(before, Size("c:\\r"));
    EXPECT_EQ(0, FLister.ReadsTotal());  // all cached

    FLister.AddFile("c:\\r\\s3\\deep\\new.txt", 1000);
    InvalidateForNotification(FService, Note(shcne::kCreate, "c:\\r\\s3\\deep\\new.txt"));
    EXPECT_TRUE(Stale("c:\\r\\s3\\deep\\"));
    EXPECT_TRUE(Stale("c:\\r\\s3\\"));
    EXPECT_TRUE(Stale("c:\\r\\"));
    EXPECT_FALSE(Stale("c:\\r\\s4\\"));
    EXPECT_EQ(before + 1000, Size("c:\\r"));
    // Only the changed folder: its ancestors' totals come from the scan tree.
    EXPECT_EQ(1, FLister.ReadsTotal());
    EXPECT_EQ(1, FLister.Reads("c:\\r\\s3\\deep"));

    // A change elsewhere leaves this tree's totals alone.
    FLister.ResetReads();
    InvalidateForNotification(FService, Note(shcne::kDelete, "c:\\elsewhere\\x.txt"));
    EXPECT_EQ(before + 1000, Size("c:\\r"));
    EXPECT_EQ(0, FLister.ReadsTotal());
    // A notification without a first item invalidates nothing.
    InvalidateForNotification(FService, Note(shcne::kUpdateDir));
    EXPECT_FALSE(Stale("c:\\r\\"));
}

TEST_F(NotificationInvalidation, RenameInvalidatesBothFoldersAndOverflowTheWholeTree) {
    Size("c:\\r");
    TStNotification rename = Note(shcne::kRenameItem, "c:\\r\\s1\\deep\\f0.txt");
    rename.Item2 = TStNotifyItem{"c:\\r\\s2\\deep\\f0.txt", "f0.txt", false, nullptr};
    InvalidateForNotification(FService, rename);
    EXPECT_TRUE(Stale("c:\\r\\s1\\deep\\"));
    EXPECT_TRUE(Stale("c:\\r\\s2\\deep\\"));
    EXPECT_FALSE(Stale("c:\\r\\s5\\deep\\"));

    Size("c:\\r");
    TStNotification overflow = Note(shcne::kUpdateDir, "c:\\r", true);
    overflow.WholeTree = true;
    InvalidateForNotification(FService, overflow);
    for (int s = 0; s < 10; ++s) {
        EXPECT_TRUE(Stale("c:\\r\\s" + std::to_string(s) + "\\")) << s;
        EXPECT_TRUE(Stale("c:\\r\\s" + std::to_string(s) + "\\deep\\")) << s;
    }
    EXPECT_FALSE(Stale("c:\\elsewhere\\"));
}

TEST_F(NotificationInvalidation, ABurstInManySubFoldersLeavesNoStaleTotals) {
    // 1,000 creates spread over the 10 sub-folders, arriving faster than they are handled: the queue
    // keeps 3 and drops the rest, and the drain refreshes after each entry as the folder list does.
    Size("c:\\r");
    TStNotificationQueue q;
    q.SetLimit(2);
    q.OnDrop = [&](const TStNotification& n) { InvalidateForNotification(FService, n); };
    int refreshes = 0;
    auto drain = [&] {
        do {
            while (!q.Empty()) {
                InvalidateForNotification(FService, q.Head());
                Size("c:\\r");  // the refresh reads the totals again
                ++refreshes;
                q.PopHead();
            }
        } while (q.RequeueDropped());
    };
    for (int i = 0; i < 1000; ++i) {
        std::string file = "c:\\r\\s" + std::to_string(i % 10) + "\\deep\\burst" + std::to_string(i) + ".txt";
        FLister.AddFile(file, 1 + i);
        q.Receive(Note(shcne::kCreate, file));
        // The drain gets a turn now and then, while the burst goes on.
        if (i % 250 == 249) drain();
    }
    drain();
    EXPECT_LT(refreshes, 30);
    EXPECT_EQ(FreshSize("c:\\r"), Size("c:\\r"));
    for (int s = 0; s < 10; ++s) {
        std::string sub = "c:\\r\\s" + std::to_string(s);
        EXPECT_EQ(FreshSize(sub), Size(sub)) << sub;
    }
}

TEST(MainWindowRefresh, VolumesForSpaceChangesChartForChangesInTheCurrentTree) {
    const std::string inside = "C:\\data\\sub\\f.txt", outside = "C:\\other\\f.txt", otherCase = "c:\\DATA\\f.txt";
    struct TCase {
        TStNotifyEventsSet Events;
        const std::string *Old, *New;
        bool Volumes, Chart;
    };
    const TCase cases[] = {
        {{neFileDelete}, &inside, nullptr, true, true},
        {{neFileDelete}, &outside, nullptr, true, false},
        {{neFileRename}, &inside, &outside, false, true},
        // The new item counts only when there is no old one.
        {{neFileRename}, &outside, &inside, false, false},
        {{neFileCreate}, nullptr, &inside, true, true},
        {{neFileCreate}, nullptr, nullptr, true, false},
        {{neDriveSpaceChange}, &inside, nullptr, true, false},
        {{neNetShare}, &inside, nullptr, true, false},
        {{neFolderRename}, &inside, nullptr, false, true},
        {{neAttributesChange}, &inside, nullptr, false, false},
        {{neDriveAdd, neMediaInsert, neAssociationChange}, &inside, nullptr, false, false},
        // The prefix test is case-sensitive.
        {{neFolderUpdate}, &otherCase, nullptr, true, false},
    };
    for (const auto& c : cases) {
        auto needs = MainWindowRefreshNeeds(c.Events, c.Old, c.New, "C:\\data");
        EXPECT_EQ(c.Volumes, needs.Volumes) << c.Events.Bits();
        EXPECT_EQ(c.Chart, needs.Chart) << c.Events.Bits();
    }
}
