// The folder-size service on real temporary trees, natively (POSIX backend) and under Wine (Win32).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <random>

#include "platform/FsFixture.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using vstest::TTempDir;

namespace {

const std::array<const char*, 4> kMasks = {"*.*", "*.txt", "*.TXT", "a?c.*"};

struct TFileRow {
    const char* Path;
    std::int64_t Size;
    std::array<bool, 4> Matches;  // by kMasks, written out by hand
};

const TFileRow kFiles[] = {
    {"abc.txt", 11, {true, true, true, true}},
    {"a1c.doc", 22, {true, false, false, true}},
    {"ac.txt", 33, {true, true, true, false}},
    {"sub/ABC", 44, {true, false, false, true}},
    {"sub/notes.TXT", 55, {true, true, true, false}},
    {"sub/deeper/x.y.txt", 66, {true, true, true, false}},
    {"sub/deeper/abcd.txt", 77, {true, true, true, false}},
    {"sub/deeper/.hidden", 88, {true, false, false, false}},
    {"other/a_c", 99, {true, false, false, true}},
    {"other/a.txtx", 111, {true, false, false, false}},
    {"other/empty.txt", 0, {true, true, true, false}},
    {"Жук 日本/ДОК.txt", 4096, {true, true, true, false}},
};
constexpr int kFolders = 6;  // root, sub, sub/deeper, other, Жук 日本, void

class ShellFolderSizeDisk : public ::testing::TestWithParam<int> {
protected:
    TTempDir FTemp;
    std::string FRoot;
    vstest::TCountingLister FLister{SystemDirLister()};
    TFolderSizeService FService{FLister, SystemVolumes()};
    std::int64_t FCluster = 0;

    void SetUp() override {
        FService.SetThreads(GetParam());
        for (const auto& f : kFiles) FTemp.WriteFile(f.Path, static_cast<std::uint64_t>(f.Size));
        FTemp.MakeDir("void");
        FRoot = FTemp.Utf8();
        char letter = TFolderSizeService::DriveLetterOf(FRoot);
        FCluster = letter ? FService.ClusterSize(letter) : 0;
    }
    std::int64_t Used(std::int64_t size) const {
        return size > 0 && FCluster > 0 ? size + FCluster - size % FCluster : 0;
    }
    TFolderTotals Totals(const std::string& path, const std::string& mask) {
        TFolderTotals t;
        t.Size = FService.FolderSize(path, mask, t.Used, t.Count);
        return t;
    }
    // Every file under folder, found by the test itself.
    TFolderTotals Independent(const fs::path& folder) const {
        TFolderTotals t;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (!e.is_regular_file() || e.is_symlink()) continue;
            std::int64_t size = static_cast<std::int64_t>(e.file_size());
            t.Size += size, t.Used += Used(size), ++t.Count;
        }
        return t;
    }
};

TEST_P(ShellFolderSizeDisk, TotalsMatchAnIndependentSumForEachMask) {
    for (std::size_t m = 0; m < kMasks.size(); ++m) {
        SCOPED_TRACE(kMasks[m]);
        TFolderTotals expected;
        for (const auto& f : kFiles)
            if (f.Matches[m]) expected.Size += f.Size, expected.Used += Used(f.Size), ++expected.Count;
        EXPECT_EQ(Totals(FRoot, kMasks[m]), expected);
    }
    FService.FolderSizeCache().Clear();
    EXPECT_EQ(Totals(FRoot, "*.*"), Independent(FTemp.Path()));
    EXPECT_EQ(FService.FolderSizeCache().Count(), static_cast<std::size_t>(kFolders));
    if (SystemDirLister().Separator() == '\\') {
        EXPECT_GT(FCluster, 0);  // under Wine the temp folder is on C:
    }
}

TEST_P(ShellFolderSizeDisk, EachFolderIsReadOnceWhateverTheMask) {
    Totals(FRoot, "*.*");
    EXPECT_EQ(FLister.ReadsTotal(), kFolders);
    // Other masks come from the scan tree.
    EXPECT_EQ(Totals(FRoot, "*.bak"), (TFolderTotals{0, 0, 0}));
    EXPECT_EQ(Totals(FRoot, "a?c.*").Count, 4);
    EXPECT_EQ(FLister.ReadsTotal(), kFolders);
    // Going into a sub-folder after the walk above is answered from the cache.
    Totals(FRoot + "/sub/deeper", "a?c.*");
    EXPECT_EQ(FLister.ReadsTotal(), kFolders);
}

TEST_P(ShellFolderSizeDisk, AfterInvalidatingALeafOnlyItIsRead) {
    const TFolderTotals before = Totals(FRoot, "*.*");
    FTemp.WriteFile("sub/deeper/new.txt", 5000);
    FService.InvalidateFolderSize(FRoot + "/sub/deeper/new.txt", false);
    FLister.ResetReads();
    const TFolderTotals after = Totals(FRoot, "*.*");
    EXPECT_EQ(after.Size, before.Size + 5000);
    EXPECT_EQ(after.Count, before.Count + 1);
    const char sep = SystemDirLister().Separator();
    const std::string deeper = FRoot + sep + "sub" + sep + "deeper" + sep;
    EXPECT_EQ(FLister.ReadFolders(), (std::multiset<std::string>{deeper}));
    EXPECT_EQ(Totals(FRoot, "*.txt").Count, 8);  // the new file is in the tree too
    EXPECT_EQ(FLister.ReadsTotal(), 1);
}

// Requests on worker threads over the real tree: each folder's figures equal those of a walk without the
// tree, and after a file is written (and the change reported) only its folder is read again.
TEST_P(ShellFolderSizeDisk, RequestsOnARealTree) {
    std::mutex lock;
    std::vector<TFolderSizeResult> results;
    auto run = [&](std::vector<std::string> folders, const char* mask) {
        results.clear();
        TFolderSizeCallbacks callbacks;
        callbacks.OnFolder = [&](const TFolderSizeResult& r) {
            std::lock_guard guard(lock);
            results.push_back(r);
        };
        EXPECT_TRUE(FService.TotalsAsync(std::move(folders), mask, callbacks)->Wait(std::chrono::minutes(2)));
        std::lock_guard guard(lock);
        return results;
    };
    auto fresh = [&](const std::string& folder, const char* mask) {
        TFolderSizeService service(SystemDirLister(), SystemVolumes());
        service.SetTreeBudget(0);
        return service.Totals(folder, mask);
    };
    const std::string sub = FRoot + "/sub";
    for (const char* mask : {"*.*", "*.txt"}) {
        for (const auto& r : run({FRoot, sub}, mask)) {
            EXPECT_EQ(r.Status, TFolderSizeStatus::Complete) << r.Folder;
            EXPECT_EQ(r.Totals, fresh(r.Folder, mask)) << r.Folder << " " << mask;
        }
    }
    EXPECT_EQ(FLister.ReadsTotal(), kFolders);
    FTemp.WriteFile("sub/deeper/new.txt", 5000);
    FService.InvalidateFolderSize(FRoot + "/sub/deeper/new.txt", false);
    FLister.ResetReads();
    const auto after = run({FRoot}, "*.txt");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].Status, TFolderSizeStatus::Complete);
    EXPECT_EQ(after[0].Totals, fresh(FRoot, "*.txt"));
    EXPECT_EQ(FLister.ReadsTotal(), 1);
}

TEST_P(ShellFolderSizeDisk, SparseFileOverFourGigabytesCountsInFull) {
    ASSERT_TRUE(vstest::MakeSparseFile(FTemp.Path() / "other" / "huge.bin", 5'000'000'000));
    EXPECT_EQ(Totals(FRoot + "/other", "*.bin"), (TFolderTotals{5'000'000'000, Used(5'000'000'000), 1}));
}

TEST_P(ShellFolderSizeDisk, FolderLinkToAnAncestorNeitherLoopsNorCountsTwice) {
    if (!vstest::MakeFolderLink(FTemp.Path() / "sub" / "deeper" / "up", FTemp.Path()))
        GTEST_SKIP() << "folder links cannot be made here";
    TFolderTotals expected;
    for (const auto& f : kFiles) expected.Size += f.Size, expected.Used += Used(f.Size), ++expected.Count;
    EXPECT_EQ(Totals(FRoot, "*.*"), expected);
    EXPECT_EQ(FLister.ReadsTotal(), kFolders);
}

// A file with two more names, one beside it and one in a sub-folder's tree, counts once in each tree that
// holds a name of it: in walks from the deepest folder up, and in a request for the sub-folders with the
// root, as the list asks. Natively the listing counts a file's names; the Windows listing gives only the file's id.
TEST_P(ShellFolderSizeDisk, HardLinkedFileCountsOnce) {
    for (const char* name : {"abc again.txt", "sub/deeper/abc too.txt"}) {
        std::error_code ec;
        fs::create_hard_link(FTemp.Path() / "abc.txt", FTemp.Path() / fs::u8path(name), ec);
        ASSERT_FALSE(ec) << ec.message();
    }
    TFolderTotals root = Independent(FTemp.Path());  // abc.txt three times
    root.Size -= 2 * 11, root.Used -= 2 * Used(11), root.Count -= 2;
    const std::pair<std::string, TFolderTotals> expected[] = {
        {FRoot, root},
        {FRoot + "/sub", Independent(FTemp.Path() / "sub")},
        {FRoot + "/sub/deeper", Independent(FTemp.Path() / "sub" / "deeper")},
    };
    // Deepest first, as a user going up meets them: each folder finds its sub-folders' files in the tree.
    for (auto it = std::rbegin(expected); it != std::rend(expected); ++it)
        EXPECT_EQ(Totals(it->first, "*.*"), it->second) << it->first;

    TFolderSizeService service(FLister, SystemVolumes());
    service.SetThreads(GetParam());
    std::mutex lock;
    std::vector<TFolderSizeResult> results;
    TFolderSizeCallbacks callbacks;
    callbacks.OnFolder = [&](const TFolderSizeResult& r) {
        std::lock_guard guard(lock);
        results.push_back(r);
    };
    ASSERT_TRUE(service.TotalsAsync({FRoot + "/sub/deeper", FRoot + "/sub", FRoot}, "*.*", callbacks)
                    ->Wait(std::chrono::minutes(2)));
    ASSERT_EQ(results.size(), 3u);
    for (const auto& r : results)
        for (const auto& [folder, totals] : expected)
            if (r.Folder == folder) EXPECT_EQ(r.Totals, totals) << folder << " in a request";
}

TEST_P(ShellFolderSizeDisk, UnreadableFolderIsSkippedAndTheWalkGoesOn) {
    FTemp.WriteFile("locked/secret.txt", 1234);
    const fs::path locked = FTemp.Path() / "locked";
    TFolderTotals expected;
    for (const auto& f : kFiles) expected.Size += f.Size, expected.Used += Used(f.Size), ++expected.Count;
    auto check = [&] {
        TFolderSizeService service(SystemDirLister(), SystemVolumes());
        service.SetThreads(1);
        TFolderTotals t;
        t.Size = service.FolderSize(FRoot, "*.*", t.Used, t.Count);
        TFolderSizeEntry entry;
        return t == expected && service.FolderSizeCache().Find(service.CacheKey(vstest::PathUtf8(locked)), entry) &&
               entry.Totals == TFolderTotals{};
    };
    bool passed = false;
    if (!vstest::CheckWhileUnreadable(locked, check, passed))
        GTEST_SKIP() << "folders stay readable here (running as root)";
    EXPECT_TRUE(passed);
}

TEST_P(ShellFolderSizeDisk, PathsOver260CharactersAreWalked) {
    std::string middle = "sub";
    for (int i = 0; i < 5; ++i) middle += "/" + std::string(45, static_cast<char>('k' + i));
    const std::string relative = middle + "/" + std::string(45, 'z');
    FTemp.WriteFile(relative + "/deep.txt", 321);
    FTemp.WriteFile(middle + "/deep2.txt", 654);
    const std::string deep = FRoot + "/" + relative;
    ASSERT_GT(deep.size(), 300u);
    EXPECT_EQ(Totals(deep, "*.txt"), (TFolderTotals{321, Used(321), 1}));
    TFolderTotals expected{321 + 654, Used(321) + Used(654), 2};
    for (const auto& f : kFiles)
        if (f.Matches[1]) expected.Size += f.Size, expected.Used += Used(f.Size), ++expected.Count;
    EXPECT_EQ(Totals(FRoot, "*.txt"), expected);
}

// A chain deeper than the system's path-length limit (4,096 bytes on Linux; under Wine past the plain
// Win32 limit, as deep as Wine's own Unix side allows) totals every file, and is not partial.
TEST_P(ShellFolderSizeDisk, ChainPastThePathLengthLimitTotalsEveryFile) {
    const bool windows = SystemDirLister().Separator() == '\\';
    const int depth = windows ? 400 : 5000;
    const std::string name = windows ? "folder" : "d";
    const vstest::TDeepChain made(FTemp.Path() / "chain", name, depth);
    const std::string& deepest = made.Deepest();
    ASSERT_FALSE(deepest.empty());
    ASSERT_GT(deepest.size(), windows ? 2600u : 9000u);

    const TFolderTotals chain = FService.Totals(FRoot + "/chain", "*.*");
    EXPECT_EQ(chain, (TFolderTotals{depth, depth * Used(1), depth}));
    EXPECT_FALSE(chain.Partial);
    EXPECT_EQ(FService.FolderSizeCache().Count(), static_cast<std::size_t>(depth) + 1);
    // The deepest folder by its own long path, and a change down there.
    EXPECT_EQ(FService.Totals(deepest, "*.*"), (TFolderTotals{1, Used(1), 1}));
    TFolderTotals fresh = FService.Totals(deepest, "*.nothing");
    EXPECT_EQ(fresh, (TFolderTotals{0, 0, 0}));
    EXPECT_FALSE(fresh.Partial);
}

TEST_P(ShellFolderSizeDisk, FolderNamesOutsideTheAnsiCodePage) {
    const std::string folder = FRoot + "/Жук 日本";
    EXPECT_EQ(Totals(folder, "*.TXT"), (TFolderTotals{4096, Used(4096), 1}));
    EXPECT_EQ(FService.FolderFileCount(folder, "док.*"), 1);
}

TEST_P(ShellFolderSizeDisk, ParallelWalkEqualsOneThreadWalk) {
    // A random tree of 80 folders and 800 files, walked by one thread and by several.
    std::mt19937 random(42);
    std::vector<std::string> folders{""};
    for (int i = 1; i < 80; ++i) {
        folders.push_back(folders[random() % folders.size()] + "n" + std::to_string(i) + "/");
        FTemp.MakeDir("gen/" + folders.back());
    }
    for (int i = 0; i < 800; ++i)
        FTemp.WriteFile(
            "gen/" + folders[random() % folders.size()] + "f" + std::to_string(i) + (i % 3 ? ".txt" : ".dat"),
            random() % 9000);
    const std::string gen = FRoot + "/gen";
    TFolderSizeService one(SystemDirLister(), SystemVolumes());
    one.SetThreads(1);
    TFolderSizeService many(SystemDirLister(), SystemVolumes());
    many.SetThreads(4);
    for (const char* mask : {"*.*", "*.txt"}) {
        TFolderTotals a, b;
        a.Size = one.FolderSize(gen, mask, a.Used, a.Count);
        b.Size = many.FolderSize(gen, mask, b.Used, b.Count);
        EXPECT_EQ(a, b) << mask;
        EXPECT_GT(a.Count, 0);
        auto ea = one.FolderSizeCache().Entries();
        auto eb = many.FolderSizeCache().Entries();
        auto byKey = [](const TFolderSizeEntry& x, const TFolderSizeEntry& y) { return x.Key < y.Key; };
        std::sort(ea.begin(), ea.end(), byKey);
        std::sort(eb.begin(), eb.end(), byKey);
        EXPECT_EQ(ea, eb) << mask;
        EXPECT_EQ(ea.size(), 80u);
    }
}

TEST_P(ShellFolderSizeDisk, CaseSensitiveFileSystemsKeepFoldersApart) {
    if (SystemDirLister().CaseSensitive() == false) GTEST_SKIP() << "names ignore case here";
    FTemp.WriteFile("Docs/a.txt", 100);
    FTemp.WriteFile("docs/a.txt", 7);
    EXPECT_EQ(Totals(FRoot + "/Docs", "*.*").Size, 100);
    EXPECT_EQ(Totals(FRoot + "/docs", "*.*").Size, 7);
}

INSTANTIATE_TEST_SUITE_P(Threads, ShellFolderSizeDisk, ::testing::Values(1, 4));

TEST(ShellFolderSizeProcess, ProcessWideServiceUsesTheSystem) {
    TTempDir temp;
    temp.WriteFile("x/a.txt", 10);
    temp.WriteFile("x/b.doc", 20);
    std::int64_t used = -1, count = -1;
    EXPECT_EQ(FolderSize(temp.Utf8(), "*.*", used, count), 30);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(FolderFileCount(temp.Utf8(), "*.txt"), 1);
    InvalidateFolderSize(temp.Utf8() + "/x/a.txt", false);
    TFolderSizeEntry e;
    ASSERT_TRUE(FolderSizeCache().Find(FolderSizeService().CacheKey(temp.Utf8() + "/x"), e));
    EXPECT_LT(e.Totals.Size, 0);
    EXPECT_EQ(ClusterSize('%'), 0u);
    EXPECT_EQ(AllocatedSize('%', 100), 0);
}

}  // namespace
