// The folder-size service over the in-memory tree: the cache rules, invalidation, cluster sizes and the
// walk's edge cases, with Windows paths on every host.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/ErrorMode.h"
#include "platform/Exception.h"
#include "reports/TreeWalker.h"
#include "scans/ScanFile.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"

using vstest::TFakeLister;
using vstest::TFakeVolumes;

namespace {

class ShellFolderSizeFake : public ::testing::TestWithParam<int> {
protected:
    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};

    void SetUp() override {
        FService.SetThreads(GetParam());
        FVolumes.SetDrive('C', 4096);
        // c:\a\b\ and c:\a\other\, with files at every level.
        FLister.AddFile("c:\\root.txt", 1);
        FLister.AddFile("c:\\a\\one.txt", 10);
        FLister.AddFile("c:\\a\\two.bak", 4096);
        FLister.AddFile("c:\\a\\b\\three.TXT", 100);
        FLister.AddFile("c:\\a\\b\\four.bak", 1000);
        FLister.AddFile("c:\\a\\other\\five.txt", 10000);
        FLister.AddFile("c:\\a\\other\\empty.txt", 0);
    }
    TFolderTotals Totals(const std::string& path, const std::string& mask) { return Totals(FService, path, mask); }
    static TFolderTotals Totals(TFolderSizeService& service, const std::string& path, const std::string& mask) {
        TFolderTotals t;
        t.Size = service.FolderSize(path, mask, t.Used, t.Count);
        return t;
    }
    TFolderSizeEntry Entry(const std::string& key) {
        TFolderSizeEntry e;
        EXPECT_TRUE(FService.FolderSizeCache().Find(key, e)) << key;
        return e;
    }
};

TEST_P(ShellFolderSizeFake, TotalsUsedAndCount) {
    // Used space with 4096-byte clusters: 1 -> 4096, 10 -> 4096, 4096 -> 8192, 100 -> 4096,
    // 1000 -> 4096, 10000 -> 12288, 0 -> 0.
    EXPECT_EQ(Totals("c:\\", "*.*"), (TFolderTotals{15207, 36864, 7}));
    EXPECT_EQ(Totals("C:\\A", "*.txt"), (TFolderTotals{10110, 20480, 4}));
    EXPECT_EQ(Totals("c:\\a\\b\\", "*.bak"), (TFolderTotals{1000, 4096, 1}));
    EXPECT_EQ(FService.FolderFileCount("c:\\a", "*.bak"), 2);
    // FolderTotals adds to what the caller has.
    std::int64_t used = 5, count = 5;
    EXPECT_EQ(FService.FolderTotals("c:\\a\\other", "*.*", used, count), 10000);
    EXPECT_EQ(used, 5 + 12288);
    EXPECT_EQ(count, 5 + 2);
    // Each folder has its own entry.
    EXPECT_EQ(Entry("c:\\a\\other\\"), (TFolderSizeEntry{"c:\\a\\other\\", "*.*", {10000, 12288, 2}}));
}

TEST_P(ShellFolderSizeFake, MissingFolderTotalsNothing) {
    EXPECT_EQ(Totals("c:\\nowhere", "*.*"), (TFolderTotals{0, 0, 0}));
    EXPECT_EQ(Totals("", "*.*"), (TFolderTotals{0, 0, 0}));
    EXPECT_EQ(FService.FolderSizeCache().Count(), 0u);
    EXPECT_EQ(FLister.ReadsTotal(), 0);
}

// Another mask is answered from the scan tree without reading a folder; with the tree off (a budget of
// 0) each mask walks the disk again, as the cache alone always did.
TEST_P(ShellFolderSizeFake, AnotherMaskNeedsNoReadsUnlessTheTreeIsOff) {
    for (bool tree : {true, false}) {
        SCOPED_TRACE(tree ? "tree" : "totals only");
        TFakeLister& lister = FLister;
        TFolderSizeService service(lister, FVolumes);
        service.SetThreads(GetParam());
        if (!tree) service.SetTreeBudget(0);
        lister.ResetReads();
        Totals(service, "c:\\a", "*.*");
        EXPECT_EQ(lister.ReadsTotal(), 3);  // c:\a\, c:\a\b\, c:\a\other\ once each
        Totals(service, "c:\\a", "*.bak");
        EXPECT_EQ(lister.ReadsTotal(), tree ? 3 : 6);
        TFolderSizeEntry e;
        ASSERT_TRUE(service.FolderSizeCache().Find("c:\\a\\b\\", e));
        EXPECT_EQ(e.Mask, "*.bak");
        EXPECT_EQ(Totals(service, "c:\\a", "*.BAK"), (TFolderTotals{5096, 12288, 2}));
        EXPECT_EQ(lister.ReadsTotal(), tree ? 3 : 6);  // a hit: masks compare in lower case
        EXPECT_EQ(service.FolderSizeCache().Count(), 3u);
        EXPECT_EQ(service.TreeMode().KeepsFiles, tree);
    }
}

TEST_P(ShellFolderSizeFake, CachedSubFoldersAreNotReadAgain) {
    Totals("c:\\a\\b", "*.*");
    FLister.ResetReads();
    Totals("c:\\a", "*.*");
    EXPECT_EQ(FLister.Reads("c:\\a"), 1);
    EXPECT_EQ(FLister.Reads("c:\\a\\b"), 0);
    EXPECT_EQ(FLister.Reads("c:\\a\\other"), 1);
}

TEST_P(ShellFolderSizeFake, InvalidationMarksExactlyTheChain) {
    Totals("c:\\", "*.*");
    FService.InvalidateFolderSize("C:\\A\\B\\three.TXT", false);
    EXPECT_LT(Entry("c:\\a\\b\\").Totals.Size, 0);
    EXPECT_LT(Entry("c:\\a\\").Totals.Size, 0);
    EXPECT_LT(Entry("c:\\").Totals.Size, 0);
    EXPECT_EQ(Entry("c:\\a\\other\\").Totals.Size, 10000);
    // Used and count stay as they were.
    EXPECT_EQ(Entry("c:\\a\\b\\").Totals.Count, 2);

    // Only the changed folder is read again; its ancestors' totals come from the tree.
    FLister.ResetReads();
    EXPECT_EQ(Totals("c:\\a", "*.*").Size, 15206);
    EXPECT_EQ(FLister.ReadsTotal(), 1);
    EXPECT_EQ(FLister.Reads("c:\\a\\b"), 1);
    EXPECT_EQ(Totals("c:\\", "*.*").Size, 15207);
    EXPECT_EQ(FLister.ReadsTotal(), 1);

    // A folder item marks itself and its ancestors; the sibling stays fresh.
    FService.InvalidateFolderSize("c:\\a\\other", true);
    EXPECT_LT(Entry("c:\\a\\other\\").Totals.Size, 0);
    EXPECT_EQ(Entry("c:\\a\\b\\").Totals.Size, 1100);
    // Odd items do nothing harmful.
    FService.InvalidateFolderSize("", false);
    FService.InvalidateFolderSize("x", false);
    FService.InvalidateFolderSize("\\\\server\\share\\f.txt", false);
}

// A file is added and its folder invalidated while the walk runs (as a change notification would,
// on another thread): whatever the walk read before cannot be stored as fresh, whether the cache and
// the tree held the tree before (a re-walk of stale entries) or not.
TEST_P(ShellFolderSizeFake, InvalidationDuringAWalkIsNeverLost) {
    for (bool rewalk : {false, true}) {
        SCOPED_TRACE(rewalk ? "re-walk of stale entries" : "first walk");
        TFakeLister lister;
        TFolderSizeService service(lister, FVolumes);
        service.SetThreads(GetParam());
        for (int i = 0; i < 12; ++i) lister.AddFile("c:\\w\\d" + std::to_string(i) + "\\f.txt", 100);
        if (rewalk) {
            ASSERT_EQ(Totals(service, "c:\\w", "*.*").Size, 1200);
            for (int i = 0; i < 12; ++i) service.InvalidateFolderSize("c:\\w\\d" + std::to_string(i), true);
        }
        // The change lands in the first sub-folder read, once it was read and before the walk ends.
        std::mutex lock;
        std::string changed;
        lister.OnListed = [&](const std::string& key) {
            std::lock_guard guard(lock);
            if (!changed.empty() || key == "c:\\w\\") return;
            changed = key;
            lister.AddFile(changed + "new.bin", 5000);
            service.InvalidateFolderSize(changed + "new.bin", false);
        };
        Totals(service, "c:\\w", "*.*");
        ASSERT_FALSE(changed.empty());
        lister.OnListed = nullptr;
        EXPECT_EQ(Totals(service, "c:\\w", "*.*"), (TFolderTotals{6200, 12 * 4096 + 8192, 13}));
        EXPECT_EQ(Totals(service, changed, "*.*").Size, 5100);
        EXPECT_EQ(Totals(service, "c:\\w", "*.bin").Size, 5000);  // the tree has it too
    }
}

TEST_P(ShellFolderSizeFake, MatchingFilesInNonMatchingFolders) {
    FLister.AddFile("c:\\docs.bak\\keep.txt", 3);
    FLister.AddFile("c:\\docs.bak\\deeper\\x.txt", 4);
    EXPECT_EQ(FService.FolderFileCount("c:\\", "*.txt"), 7);
    EXPECT_EQ(FService.FolderFileCount("c:\\", "a?c.*"), 0);
}

TEST_P(ShellFolderSizeFake, JunctionsAreNeitherEnteredNorCounted) {
    // A junction back to the root would loop; its target's files are counted once, where they are.
    FLister.AddEntry("c:\\a\\b\\loop", faDirectory | faReparsePoint);
    FLister.AddEntry("c:\\a\\link.txt", faArchive | faReparsePoint, 0);  // a file link counts, with size 0
    EXPECT_EQ(Totals("c:\\", "*.*"), (TFolderTotals{15207, 36864, 8}));
    EXPECT_EQ(FLister.Reads("c:\\a\\b\\loop"), 0);
}

TEST_P(ShellFolderSizeFake, VanishedFolderTotalsZeroAndTheWalkGoesOn) {
    FLister.AddFolder("c:\\a\\gone");
    FLister.Vanish("c:\\a\\gone");
    EXPECT_EQ(Totals("c:\\a", "*.*"), (TFolderTotals{15206, 32768, 6}));
    TFolderSizeEntry e;
    EXPECT_FALSE(FService.FolderSizeCache().Find("c:\\a\\gone\\", e));
    EXPECT_EQ(Entry("c:\\a\\").Totals.Size, 15206);
}

TEST_P(ShellFolderSizeFake, UnreadableFolderTotalsWhatCouldBeRead) {
    FLister.AddFile("c:\\a\\locked\\secret.txt", 50);
    FLister.FailListing("c:\\a\\locked", TDirStatus::AccessDenied);
    FLister.FailListing("c:\\a\\b", TDirStatus::Failed, 1);  // breaks off after its first entry
    EXPECT_EQ(Totals("c:\\a", "*.*"), (TFolderTotals{14206, 28672, 5}));
    EXPECT_EQ(Entry("c:\\a\\locked\\").Totals, (TFolderTotals{0, 0, 0}));
    EXPECT_EQ(Entry("c:\\a\\b\\").Totals, (TFolderTotals{100, 4096, 1}));
}

TEST_P(ShellFolderSizeFake, ErrorsReachTheCallerAndTheModeIsRestored) {
    FLister.ThrowOn("c:\\a\\other");
    ASSERT_FALSE(CriticalErrorsSuppressed());
    EXPECT_THROW(Totals("c:\\", "*.*"), std::runtime_error);
    EXPECT_FALSE(CriticalErrorsSuppressed());
    EXPECT_TRUE(FLister.AlwaysQuiet());  // every listing ran with the boxes suppressed
    // Nothing above the failure is cached; complete sub-folders are.
    TFolderSizeEntry e;
    EXPECT_FALSE(FService.FolderSizeCache().Find("c:\\", e));
    EXPECT_FALSE(FService.FolderSizeCache().Find("c:\\a\\", e));
    EXPECT_FALSE(FService.FolderSizeCache().Find("c:\\a\\other\\", e));
    // The service still works afterwards.
    EXPECT_EQ(Totals("c:\\a\\b", "*.*").Size, 1100);
}

TEST_P(ShellFolderSizeFake, SizesAreSixtyFourBitAndOverflowIsAnError) {
    FLister.AddFile("c:\\big\\huge.bin", 5'000'000'000);
    EXPECT_EQ(Totals("c:\\big", "*.*"), (TFolderTotals{5'000'000'000, 5'000'003'584, 1}));
    FLister.AddFile("c:\\max\\max.bin", INT64_MAX);
    EXPECT_THROW(Totals("c:\\max", "*.*"), Exception);  // its used space does not fit
    EXPECT_FALSE(CriticalErrorsSuppressed());
}

TEST(ShellFolderSizeThreads, ThreadsThatCannotStartLeaveTheWalkOnTheCallingThread) {
    TFakeLister lister;
    TFakeVolumes volumes;
    volumes.SetDrive('C', 4096);
    for (int i = 0; i < 40; ++i) lister.AddFile("c:\\t\\d" + std::to_string(i % 8) + "\\f" + std::to_string(i), 100);
    TFolderSizeService service(lister, volumes);
    service.SetThreads(4);
    // The third thread fails: the two started ones are stopped, nothing is lost or leaked, the
    // totals are right. The next walk starts all four.
    std::vector<int> starts;
    bool refuse = true;
    service.OnStartThread = [&](int index) {
        starts.push_back(index);
        if (refuse && index == 2) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
    };
    std::int64_t used = 0, count = 0;
    EXPECT_EQ(service.FolderSize("c:\\t", "*.*", used, count), 4000);
    EXPECT_EQ(count, 40);
    EXPECT_EQ(starts, (std::vector<int>{0, 1, 2}));
    refuse = false;
    service.InvalidateFolderSize("c:\\t", true);
    EXPECT_EQ(service.FolderSize("c:\\t", "*.*", used, count), 4000);
    EXPECT_EQ(starts, (std::vector<int>{0, 1, 2, 0, 1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(Threads, ShellFolderSizeFake, ::testing::Values(1, 4));

TEST(ShellFolderSizeClusters, AllocatedSize) {
    TFakeLister lister;
    TFakeVolumes volumes;
    volumes.SetDrive('C', 4096);
    TFolderSizeService service(lister, volumes);
    EXPECT_EQ(service.AllocatedSize('C', 4096), 8192);
    EXPECT_EQ(service.AllocatedSize('c', 1), 4096);
    EXPECT_EQ(service.AllocatedSize('C', 4097), 8192);
    EXPECT_EQ(service.AllocatedSize('C', 0), 0);
    EXPECT_EQ(service.AllocatedSize('C', -1), 0);
    EXPECT_EQ(service.AllocatedSize(std::string("\\\\server\\share\\x")[0], 100), 0);
    EXPECT_EQ(service.AllocatedSize('D', 100), 0);  // no such drive
    EXPECT_EQ(TFolderSizeService::DriveLetterOf("c:\\x"), 'C');
    EXPECT_EQ(TFolderSizeService::DriveLetterOf("\\\\?\\d:\\x"), 'D');
    EXPECT_EQ(TFolderSizeService::DriveLetterOf("\\\\server\\share"), 0);
    EXPECT_EQ(TFolderSizeService::DriveLetterOf("relative\\x"), 0);
    EXPECT_EQ(TFolderSizeService::DriveLetterOf("/home/x"), 0);
    EXPECT_EQ(TFolderSizeService::DriveLetterOf(""), 0);

    // A network path counts no used space.
    lister.AddFile("\\\\server\\share\\f.txt", 100);
    TFolderTotals t;
    t.Size = service.FolderSize("\\\\server\\share", "*.*", t.Used, t.Count);
    EXPECT_EQ(t, (TFolderTotals{100, 0, 1}));
}

TEST(ShellFolderSizeClusters, TableIsBuiltOnceAndRebuiltOnlyWhenNeeded) {
    TFakeVolumes volumes;
    volumes.SetDrive('C', 4096);
    volumes.SetDrive('E', 0);       // geometry unreadable
    volumes.SetDrive('F', 512, 0);  // no media: total 0, not in the table
    TDriveClusterTable table(volumes);
    EXPECT_EQ(table.ClusterSize('1'), 0u);
    EXPECT_EQ(table.Builds(), 0);
    EXPECT_EQ(table.ClusterSize('c'), 4096u);
    EXPECT_EQ(table.Builds(), 1);
    EXPECT_EQ(table.ClusterSize('C'), 4096u);
    EXPECT_EQ(table.Builds(), 1);
    EXPECT_EQ(table.Entries().size(), 2u);  // C and E

    // A drive that appears later is found by the one rebuild an unknown letter causes.
    volumes.SetDrive('D', 16384);
    EXPECT_EQ(table.ClusterSize('D'), 16384u);
    EXPECT_EQ(table.Builds(), 2);
    // A letter still missing after one rebuild gives 0, with no further retries.
    EXPECT_EQ(table.ClusterSize('Q'), 0u);
    EXPECT_EQ(table.Builds(), 3);
    EXPECT_EQ(table.ClusterSize('F'), 0u);
    EXPECT_EQ(table.Builds(), 4);
    // A zero entry rebuilds once and answers what it finds then.
    EXPECT_EQ(table.ClusterSize('E'), 0u);
    EXPECT_EQ(table.Builds(), 5);
    volumes.SetDrive('E', 2048);
    EXPECT_EQ(table.ClusterSize('E'), 2048u);
    EXPECT_EQ(table.Builds(), 6);
}

TEST(ShellFolderSizeClusters, ZeroEntryAfterTheTableShrank) {
    // The zero entry's drive and the drives before it are gone at the rebuild: the answer comes from
    // the letter, not from its old position.
    TFakeVolumes volumes;
    volumes.SetDrive('C', 4096);
    volumes.SetDrive('D', 8192);
    volumes.SetDrive('G', 0);
    TDriveClusterTable table(volumes);
    EXPECT_EQ(table.ClusterSize('D'), 8192u);
    volumes.RemoveDrive('C');
    volumes.RemoveDrive('D');
    EXPECT_EQ(table.ClusterSize('G'), 0u);
    volumes.SetDrive('G', 1024);
    EXPECT_EQ(table.ClusterSize('G'), 1024u);
}

TEST(ShellFolderSizeClusters, BuildRunsWithBoxesSuppressed) {
    struct TWatchingVolumes : TFakeVolumes {
        bool Quiet = true;
        std::uint32_t LogicalDriveMask() override {
            Quiet = Quiet && CriticalErrorsSuppressed();
            return TFakeVolumes::LogicalDriveMask();
        }
    } volumes;
    volumes.SetDrive('C', 4096);
    TDriveClusterTable table(volumes);
    table.ClusterSize('C');
    EXPECT_TRUE(volumes.Quiet);
    EXPECT_FALSE(CriticalErrorsSuppressed());
}

// POSIX path rules over the in-memory tree, with a working folder for relative paths.
struct TPosixRules : TFakeLister {
    std::string WorkingFolder = "/a";
    char Separator() const override { return '/'; }
    bool CaseSensitive() const override { return true; }
    std::string AbsolutePath(std::string_view path) const override {
        if (!path.empty() && path[0] == '/') return std::string(path);
        return WorkingFolder + "/" + std::string(path);
    }
};

TEST(ShellFolderSizeKeys, KeysFollowThePathRules) {
    TFakeLister windows;
    TFakeVolumes volumes;
    TFolderSizeService service(windows, volumes);
    struct TCase {
        const char* Path;
        const char* Key;
    };
    for (TCase c : {TCase{"C:/Users/ÄBC", "c:\\users\\äbc\\"}, TCase{"c:\\a\\", "c:\\a\\"}, TCase{"C:", "c:\\"},
                    TCase{"c:\\\\a\\\\\\b", "c:\\a\\b\\"}, TCase{"c:\\a\\.\\b\\.", "c:\\a\\b\\"},
                    TCase{"\\\\?\\C:\\A\\b", "c:\\a\\b\\"}, TCase{"\\\\Server\\Share\\x", "\\\\server\\share\\x\\"},
                    TCase{"\\\\?\\UNC\\server\\share", "\\\\server\\share\\"}})
        EXPECT_EQ(service.CacheKey(c.Path), c.Key) << c.Path;

    TPosixRules posix;
    TFolderSizeService posixService(posix, volumes);
    for (TCase c : {TCase{"/Home/Docs", "/Home/Docs/"}, TCase{"/", "/"}, TCase{"//", "/"}, TCase{"x", "/a/x/"},
                    TCase{"./x/", "/a/x/"}, TCase{"/a//x", "/a/x/"}, TCase{"/a/x/", "/a/x/"},
                    TCase{"/a/./x//.", "/a/x/"}, TCase{"/a/X", "/a/X/"}})
        EXPECT_EQ(posixService.CacheKey(c.Path), c.Key) << c.Path;
}

// Rows, notifications and the command line name one folder in different forms: an invalidation
// through any form reaches the totals asked for through another.
TEST(ShellFolderSizeKeys, OneFolderOneEntryWhateverTheForm) {
    TPosixRules posix;
    TFakeVolumes volumes;
    TFolderSizeService service(posix, volumes);
    posix.AddFile("\\a\\x\\f.txt", 10);
    std::int64_t used = 0, count = 0;
    EXPECT_EQ(service.FolderSize("x", "*", used, count), 10);
    EXPECT_EQ(service.FolderSize("/a//x", "*", used, count), 10);
    EXPECT_EQ(service.FolderSize("/a/x/", "*", used, count), 10);
    EXPECT_EQ(posix.ReadsTotal(), 1);
    EXPECT_EQ(service.FolderSizeCache().Count(), 1u);

    posix.AddFile("\\a\\x\\g.txt", 5);
    service.InvalidateFolderSize("/a//x/./g.txt", false);
    EXPECT_EQ(service.FolderSize("x", "*", used, count), 15);
    EXPECT_EQ(count, 2);
}

// Sums past the 64-bit range raise "Integer overflow", whether the files share a folder, lie in
// sibling folders, or one sibling's total comes from the cache.
TEST_P(ShellFolderSizeFake, SizeSumsThatOverflowRaiseAnError) {
    constexpr std::int64_t k4EiB = std::int64_t{1} << 62;
    struct TCase {
        const char* Name;
        std::vector<const char*> Files;
        const char* Cached;  // walked first, or nullptr
    };
    const TCase cases[] = {
        {"one folder", {"d:\\o\\one.bin", "d:\\o\\two.bin"}, nullptr},
        {"sibling folders", {"d:\\o\\a\\one.bin", "d:\\o\\b\\two.bin"}, nullptr},
        {"cached sibling", {"d:\\o\\a\\one.bin", "d:\\o\\b\\two.bin"}, "d:\\o\\a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeLister lister;
        TFolderSizeService service(lister, FVolumes);  // no drive D: no used space to overflow first
        service.SetThreads(GetParam());
        for (const char* f : c.Files) lister.AddFile(f, k4EiB);
        std::int64_t used = 0, count = 0;
        if (c.Cached) {
            EXPECT_EQ(service.FolderSize(c.Cached, "*.*", used, count), k4EiB);
        }
        try {
            service.FolderSize("d:\\o", "*.*", used, count);
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Integer overflow");
        }
        TFolderSizeEntry entry;
        EXPECT_FALSE(service.FolderSizeCache().Find("d:\\o\\", entry));  // nothing wrapped is stored
    }
}

// A mask longer than 255 bytes is walked and answered right, but never answers for the mask that its
// first 255 bytes make.
TEST_P(ShellFolderSizeFake, LongMaskDoesNotAnswerForItsCutForm) {
    const std::string stars(255, '*');
    EXPECT_EQ(Totals("c:\\a", stars + ".txt"), (TFolderTotals{10110, 20480, 4}));
    EXPECT_EQ(Totals("c:\\a", stars), (TFolderTotals{15206, 32768, 6}));
    EXPECT_EQ(Totals("c:\\a", stars + ".txt"), (TFolderTotals{10110, 20480, 4}));
}

// A folder that cannot be read in full is counted with what was read and the total says it is partial,
// also when it is answered from the cache; a folder too deep to open is not taken for a vanished one.
TEST_P(ShellFolderSizeFake, FoldersReadInPartMakeThePartialFlag) {
    EXPECT_FALSE(FService.Totals("c:\\a", "*.*").Partial);
    FService.FolderSizeCache().Clear();
    FLister.ResetReads();
    FLister.FailListing("c:\\a\\b", TDirStatus::TooLong);
    FLister.FailListing("c:\\a\\other", TDirStatus::AccessDenied, 1);
    for (int round = 0; round < 2; ++round) {  // walked, then from the cache
        SCOPED_TRACE(round);
        TFolderTotals t = FService.Totals("c:\\", "*.*");
        EXPECT_EQ(t, (TFolderTotals{1 + 10 + 4096 + 10000, 4096 + 4096 + 8192 + 12288, 4}));
        EXPECT_TRUE(t.Partial);
        EXPECT_TRUE(FService.Totals("c:\\a\\b", "*.*").Partial);
    }
    EXPECT_EQ(Entry("c:\\a\\b\\").Totals, (TFolderTotals{0, 0, 0}));
    EXPECT_EQ(FLister.Reads("c:\\a\\b"), 1);
    FLister.AddFile("c:\\z\\f.txt", 1);
    EXPECT_FALSE(FService.Totals("c:\\z", "*.*").Partial);
}

}  // namespace

// Hard links: one file with names in several folders counts once in each tree that holds any of them,
// whatever was totalled before (sub-folders first fill the cache; a second mask reads the scan tree;
// a budget of 0 leaves only the cache).
TEST_P(ShellFolderSizeFake, HardLinkedFileCountsOncePerTree) {
    FLister.AddHardLink("c:\\h\\x\\a.dat", 5000, 1);
    FLister.AddHardLink("c:\\h\\x\\again.txt", 5000, 1);  // two names in one folder
    FLister.AddHardLink("c:\\h\\y\\b.dat", 5000, 1, 3);
    FLister.AddHardLink("c:\\h\\y\\d.txt", 100, 2);
    FLister.AddHardLink("c:\\h\\z\\deep\\e.txt", 100, 2);
    FLister.AddFile("c:\\h\\z\\plain.txt", 1);
    struct TCase {
        const char* Folder;
        const char* Mask;
        TFolderTotals Expected;
    };
    const TCase cases[] = {
        {"c:\\h", "*.*", {5101, 16384, 3}},
        {"c:\\h", "*.txt", {5101, 16384, 3}},  // a.dat's other name matches
        {"c:\\h", "*.dat", {5000, 8192, 1}},
        {"c:\\h\\x", "*.*", {5000, 8192, 1}},
        {"c:\\h\\y", "*.*", {5100, 12288, 2}},
        {"c:\\h\\z", "*.*", {101, 8192, 2}},
        {"c:\\h\\z\\deep", "*.txt", {100, 4096, 1}},
    };
    for (int warm = 0; warm < 3; ++warm) {
        FService.FolderSizeCache().Clear();
        FService.SetTreeBudget(warm == 2 ? 0 : TScanTree::kDefaultBudget);
        if (warm >= 1)
            for (const char* sub : {"c:\\h\\z\\deep", "c:\\h\\x", "c:\\h\\y", "c:\\h\\z"}) Totals(sub, "*.*");
        if (warm == 1) Totals("c:\\h", "*.bak");  // the tree then answers every other mask
        for (const auto& c : cases) {
            EXPECT_EQ(Totals(c.Folder, c.Mask), c.Expected) << "warm " << warm << ": " << c.Folder << " " << c.Mask;
            // Asked again: from the cache, the same.
            EXPECT_EQ(Totals(c.Folder, c.Mask), c.Expected) << "warm " << warm << ": " << c.Folder << " again";
        }
    }
}

// Cloud placeholders: the walk, the report and the export take their figures from the listing and never
// reach the file itself; a file whose data is off the disk takes no space on it.
TEST_P(ShellFolderSizeFake, CloudPlaceholdersAreNeverOpened) {
    const std::pair<const char*, std::uint32_t> placeholders[] = {
        {"recall-on-open.doc", faArchive | faRecallOnOpen},
        {"recall-on-data.doc", faArchive | faRecallOnDataAccess},
        {"offline.doc", faArchive | faOffline},
    };
    for (const auto& [name, attributes] : placeholders)
        FLister.AddEntry(std::string("c:\\cloud\\") + name, attributes, 3'000'000'000);
    FLister.AddFile("c:\\cloud\\here.doc", 100);
    EXPECT_EQ(Totals("c:\\cloud", "*.doc"), (TFolderTotals{9'000'000'100, 4096, 4}));

    TFileRows rows;
    rows.Add({"Name", "Size", "Type", "Modified", "Attributes", "Folder"});
    TCollectOptions options;
    options.Lister = &FLister;
    CollectFiles("c:\\cloud", "*.*", rows, true, options);
    ASSERT_EQ(rows.Count(), 5u);
    for (std::size_t r = 1; r < 4; ++r) EXPECT_EQ(rows.RowTexts(r)[1], "3000000000") << rows.RowTexts(r)[0];

    TScanReader reader(FService.ScanTree());
    const std::string text = ScanJsonText(reader, reader.Find("c:\\cloud\\"), {});
    for (const auto& [name, attributes] : placeholders)
        EXPECT_NE(text.find(std::string("{\"name\":\"") + name + "\",\"asize\":3000000000,\"dsize\":0"),
                  std::string::npos)
            << text;
    EXPECT_EQ(FLister.FileRequests(), 0);
}

// Files as the Windows listing gives them: a file id but no count of names. One 5000-byte file with two
// names (id 9), beside a 1-byte plain file, counts once in every folder the service reports whose tree
// holds both names, and once in each that holds one; the rows and their folder are asked for in one
// request, as the list asks. A new file in the folder of the second name, re-read alone, keeps it so.
TEST_P(ShellFolderSizeFake, FileIdMetTwiceInARootCountsOnce) {
    struct TCase {
        const char* Name;
        const char* First;  // the two names of the linked file
        const char* Second;
        std::vector<std::vector<std::string>> Requests;  // one request each, in turn
        std::map<std::string, TFolderTotals> Expected;
        bool TreeOnly = false;  // the sub-folders' ids are known only from the scan tree
    };
    const TFolderTotals once{5001, 12288, 2}, alone{5000, 8192, 1};
    const TCase cases[] = {
        {"one folder", "c:\\w\\a.dat", "c:\\w\\b.dat", {{"c:\\w"}}, {{"c:\\w", once}}},
        {"sibling folders",
         "c:\\w\\x\\a.dat",
         "c:\\w\\y\\b.dat",
         {{"c:\\w\\x", "c:\\w\\y", "c:\\w"}},
         {{"c:\\w\\x", alone}, {"c:\\w\\y", alone}, {"c:\\w", once}}},
        {"folder and sub-folder",
         "c:\\w\\a.dat",
         "c:\\w\\s\\b.dat",
         {{"c:\\w\\s", "c:\\w"}},
         {{"c:\\w\\s", alone}, {"c:\\w", once}}},
        {"deep below siblings",
         "c:\\w\\x\\1\\2\\a.dat",
         "c:\\w\\y\\b.dat",
         {{"c:\\w"}},
         {{"c:\\w", once}, {"c:\\w\\x", alone}, {"c:\\w\\y", alone}}},
        {"sub-folders asked before their folder",
         "c:\\w\\x\\a.dat",
         "c:\\w\\y\\b.dat",
         {{"c:\\w\\x"}, {"c:\\w\\y"}, {"c:\\w"}},
         {{"c:\\w\\x", alone}, {"c:\\w\\y", alone}, {"c:\\w", once}},
         true},
        {"two roots asked apart",
         "c:\\p\\a.dat",
         "c:\\q\\b.dat",
         {{"c:\\p"}, {"c:\\q"}},
         {{"c:\\p", alone}, {"c:\\q", alone}}},
    };
    auto ask = [](TFolderSizeService& service, const std::vector<std::string>& folders) {
        std::mutex lock;
        std::map<std::string, TFolderSizeResult> out;
        auto job = service.TotalsAsync(folders, "*.*",
                                       {[&](const TFolderSizeResult& r) {
                                            std::lock_guard hold(lock);
                                            out[r.Folder] = r;
                                        },
                                        {},
                                        {}});
        job->Wait(std::chrono::milliseconds::max());
        return out;
    };
    for (const auto& c : cases)
        for (std::size_t budget : {TScanTree::kDefaultBudget, std::size_t{0}}) {
            if (c.TreeOnly && !budget) continue;
            SCOPED_TRACE(std::string(c.Name) + (budget ? "" : ", tree off"));
            TFakeLister lister;
            TFolderSizeService service(lister, FVolumes);
            service.SetThreads(GetParam());
            service.SetTreeBudget(budget);
            lister.AddFile("c:\\w\\plain.txt", 1);
            lister.AddFileWithId(c.First, 5000, 9);
            lister.AddFileWithId(c.Second, 5000, 9);
            const std::string changed = std::string(c.Second).substr(0, std::string(c.Second).rfind('\\'));
            for (int round = 0; round < 2; ++round) {
                SCOPED_TRACE(round ? "after a change" : "first walk");
                if (round) {
                    lister.AddFile(changed + "\\new.txt", 1);
                    service.InvalidateFolderSize(changed + "\\new.txt", false);
                }
                std::map<std::string, TFolderSizeResult> reported;
                for (const auto& request : c.Requests) reported.merge(ask(service, request));
                for (const auto& [folder, expected] : c.Expected) {
                    TFolderTotals want = expected;
                    if (round && (changed + "\\").starts_with(folder + "\\"))
                        want.Size += 1, want.Used += 4096, ++want.Count;
                    if (auto r = reported.find(folder); r != reported.end()) {
                        EXPECT_EQ(r->second.Totals, want) << folder << " as reported";
                        EXPECT_EQ(r->second.Status, TFolderSizeStatus::Complete) << folder;
                    }
                    // The sub-folders' rows as the list shows them when the folder is opened.
                    TFolderTotals known;
                    EXPECT_TRUE(service.TotalsIfKnown(folder, "*.*", known)) << folder;
                    EXPECT_EQ(known, want) << folder << " as known";
                }
            }
        }
}
