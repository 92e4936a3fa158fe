// The scan tree behind the folder-size service, over the in-memory lister: totals for any mask from
// memory, changes applied in place, the memory budget, and trees filled from an imported scan.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "shell/FakeListing.h"
#include "shell/FolderSize.h"

using vstest::TFakeLister;
using vstest::TFakeVolumes;

namespace {

struct TFile {
    const char* Path;
    std::int64_t Size;
};
// Names that the matching rules treat differently; each size is a bit of its own, so a sum names the set.
const TFile kFiles[] = {
    {"c:\\m\\readme", 1},
    {"c:\\m\\.profile", 2},
    {"c:\\m\\a.b.c.txt", 4},
    {"c:\\m\\ARCHIVE.TAR.GZ", 8},
    {"c:\\m\\x.", 16},
    {"c:\\m\\sub\\data.txt", 32},
    {"c:\\m\\sub\\dat.tx", 64},
    {"c:\\m\\sub\\a.ba", 128},
    {"c:\\m\\sub\\report.~doc", 256},
    {"c:\\m\\sub\\Ünï.TXT", 512},
    {"c:\\m\\sub\\deep\\ax.c", 1024},
    {"c:\\m\\sub\\deep\\a1c", 2048},
};

class ShellScanTree : public ::testing::TestWithParam<bool> {
protected:
    TFakeLister FLister;
    vstest::TCountingLister FCounted{FLister};  // the reads of FService alone
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FCounted, FVolumes};

    void SetUp() override {
        FVolumes.SetDrive('C', 4096);
        for (const auto& f : kFiles) FLister.AddFile(f.Path, f.Size);
        // With the parameter, every pass over the tree shares the work with a second thread.
        if (GetParam()) FService.SetTreeSplit(1);
    }
    // What a walk of the disk with no tree gives: the rules the totals always had.
    TFolderTotals Fresh(const std::string& path, const std::string& mask) {
        TFolderSizeService fresh(FLister, FVolumes);
        fresh.SetTreeBudget(0);
        return fresh.Totals(path, mask);
    }
};

TEST_P(ShellScanTree, AnyMaskFromTheTreeEqualsAFreshWalkWithNoReads) {
    // A folder gone by the time it is read, and one that cannot be read: nothing, and partial figures.
    FLister.AddFolder("c:\\m\\gone");
    FLister.Vanish("c:\\m\\gone");
    FLister.AddFolder("c:\\m\\sub\\locked");
    FLister.FailListing("c:\\m\\sub\\locked", TDirStatus::AccessDenied);
    EXPECT_EQ(FService.Totals("c:\\m", "*.*").Count, 12);
    const int reads = FCounted.ReadsTotal();
    struct TCase {
        const char* Mask;
        std::int64_t Size;  // the files it takes, by their bits
    };
    const TCase cases[] = {
        {"*", 4095},           {"*.TXT", 4 + 32 + 512},  // several dots, case, non-ASCII letters
        {"*.gz", 8},           {"*.tar.gz", 8},          // an extension and a longer suffix
        {"*.", 1 + 16 + 2048},                           // no extension, or an empty one
        {"a?c.*", 2048},       {"?x.*", 1024},          {"*.~*", 256}, {"data.txt", 32},
        {"README", 1},         {"*.ba", 128},           {"", 0},       {".*", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mask);
        for (const char* folder : {"c:\\m", "c:\\m\\sub", "c:\\m\\sub\\deep"}) {
            const TFolderTotals fromTree = FService.Totals(folder, c.Mask);
            const TFolderTotals fresh = Fresh(folder, c.Mask);
            EXPECT_EQ(fromTree, fresh) << folder;
            EXPECT_EQ(fromTree.Partial, fresh.Partial) << folder;
            if (std::string(folder) == "c:\\m") {
                EXPECT_EQ(fromTree.Size, c.Size);
            }
        }
    }
    EXPECT_EQ(FCounted.ReadsTotal(), reads);
}

TEST_P(ShellScanTree, FilesKeepTheirFiguresAndExtensions) {
    FLister.AddFile("c:\\t\\One.TXT", 5000, 132000000000000000);
    FLister.AddEntry("c:\\t\\ro.txt", faArchive | faReadOnly, 1);
    FLister.AddEntry("c:\\t\\link", faDirectory | faReparsePoint);
    FService.Totals("c:\\t", "*.*");
    TScanReader reader(FService.ScanTree());
    const TScanFolder* t = reader.Folder(reader.Find("c:\\t\\"));
    ASSERT_TRUE(t);
    ASSERT_EQ(t->FileCount, 2u);
    const TScanFile& one = t->Files()[0];
    EXPECT_EQ(t->FileName(one), "One.TXT");
    EXPECT_EQ(one.Size, 5000);
    EXPECT_EQ(one.Allocated, 8192);
    EXPECT_EQ(one.LastWriteTime, 132000000000000000);
    EXPECT_EQ(reader.Extension(one.Extension), ".txt");
    EXPECT_EQ(t->Files()[1].Extension, one.Extension);
    EXPECT_EQ(t->Files()[1].Attributes, faArchive | faReadOnly);
    // The link is listed, never entered.
    ASSERT_NE(t->FirstChild, TScanFolder::kNone);
    EXPECT_TRUE(reader.At(t->FirstChild).Has(TScanFolder::kLink));
    EXPECT_EQ(reader.Name(t->FirstChild), "link");
    EXPECT_EQ(FLister.Reads("c:\\t\\link"), 0);
}

// Each change is followed by the invalidation a notification makes; only the folders whose listing
// changed are read again, and the tree then answers any mask as a fresh walk does.
TEST_P(ShellScanTree, ChangesReadOnlyTheChangedFoldersAndUpdateTheTreeInPlace) {
    FLister.AddFile("c:\\t\\a\\f1", 10);
    FLister.AddFile("c:\\t\\a\\x\\g", 20);
    FLister.AddFile("c:\\t\\b\\h", 30);
    FLister.AddFile("c:\\t\\c\\i", 40);
    FLister.AddFolder("c:\\t\\void");
    ASSERT_EQ(FService.Totals("c:\\t", "*").Size, 100);
    struct TStep {
        const char* Name;
        std::function<void()> Change;
        std::multiset<std::string> Read;
        std::int64_t Size;
    };
    const TStep steps[] = {
        {"a file added, an empty folder touched",
         [&] {
             FLister.AddFile("c:\\t\\a\\new", 5);
             FService.InvalidateFolderSize("c:\\t\\a\\new", false);
             FService.InvalidateFolderSize("c:\\t\\void", true);
         },
         {"c:\\t\\a\\", "c:\\t\\void\\"},
         105},
        {"a folder removed",
         [&] {
             FLister.Remove("c:\\t\\b");
             FService.InvalidateFolderSize("c:\\t\\b", true);
         },
         {"c:\\t\\b\\"},
         75},
        {"a folder created: its parent shows it",
         [&] {
             FLister.AddFile("c:\\t\\d\\j", 7);
             FService.InvalidateFolderSize("c:\\t\\d", true);
         },
         {"c:\\t\\", "c:\\t\\d\\"},
         82},
        {"a folder renamed: the new name shows in the parent, which drops the old one",
         [&] {
             FLister.Remove("c:\\t\\c");
             FLister.AddFile("c:\\t\\e\\i", 40);
             FService.InvalidateFolderSize("c:\\t\\c", true);
             FService.InvalidateFolderSize("c:\\t\\e", true);
         },
         {"c:\\t\\", "c:\\t\\e\\"},
         82},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        FCounted.ResetReads();
        step.Change();
        EXPECT_EQ(FService.Totals("c:\\t", "*").Size, step.Size);
        EXPECT_EQ(FCounted.ReadFolders(), step.Read);
    }
    FCounted.ResetReads();
    EXPECT_EQ(FService.Totals("c:\\t", "f*"), Fresh("c:\\t", "f*"));
    EXPECT_EQ(FService.Totals("c:\\t\\e", "?"), Fresh("c:\\t\\e", "?"));
    EXPECT_EQ(FCounted.ReadsTotal(), 0);
    // What the tree holds now: f1, new, g, j, i; b and c are gone with their files, and what was
    // replaced left nothing behind: the tree is as large as one read afresh.
    EXPECT_EQ(FService.TreeStats().Files, 5);
    TFolderSizeService fresh(FLister, FVolumes);
    fresh.Totals("c:\\t", "*");
    EXPECT_EQ(FService.TreeStats().Bytes, fresh.TreeStats().Bytes);
}

TEST_P(ShellScanTree, OverTheBudgetOnlyTotalsAreKeptAndTheStateSaysSo) {
    FService.SetTreeBudget(2000);
    const TFolderTotals all = FService.Totals("c:\\m", "*.*");
    EXPECT_EQ(all, Fresh("c:\\m", "*.*"));
    TScanTreeState state = FService.TreeMode();
    EXPECT_FALSE(state.KeepsFiles);
    EXPECT_TRUE(state.BudgetReached);
    EXPECT_EQ(FService.TreeStats().Files, 0);
    // Each mask reads the disk again, as without a tree.
    int reads = FCounted.ReadsTotal();
    EXPECT_EQ(FService.Totals("c:\\m", "*.txt"), Fresh("c:\\m", "*.txt"));
    EXPECT_EQ(FCounted.ReadsTotal(), 2 * reads);

    // A larger budget keeps files again from the next walk on.
    FService.SetTreeBudget(TScanTree::kDefaultBudget);
    state = FService.TreeMode();
    EXPECT_TRUE(state.KeepsFiles);
    EXPECT_FALSE(state.BudgetReached);
    FService.InvalidateFolderSize("c:\\m", true);
    EXPECT_EQ(FService.Totals("c:\\m", "*.*"), all);
    reads = FCounted.ReadsTotal();
    EXPECT_EQ(FService.Totals("c:\\m", "*.gz").Count, 1);
    EXPECT_EQ(FCounted.ReadsTotal(), reads);
    EXPECT_GT(FService.TreeMode().Bytes, 0u);

    // A budget of 0 turns the tree off by choice.
    FService.SetTreeBudget(0);
    EXPECT_FALSE(FService.TreeMode().KeepsFiles);
    EXPECT_FALSE(FService.TreeMode().BudgetReached);
}

// An imported scan, given folder by folder, answers as a walk of the same tree does, without the disk.
TEST_P(ShellScanTree, ATreeFilledByTheBuilderAnswersLikeAWalk) {
    TFakeLister empty;
    TFolderSizeService imported(empty, FVolumes);
    TScanTreeBuilder builder(imported.ScanTree(), "c:\\m", "c:\\m\\");
    // The files directly in folder, as an export lists them, with cluster-rounded allocated sizes.
    auto files = [&](const std::string& folder) {
        for (const auto& f : kFiles) {
            const std::string path = f.Path;
            if (path.rfind(folder, 0) != 0 || path.find('\\', folder.size()) != std::string::npos) continue;
            builder.AddFile(path.substr(folder.size()), f.Size, f.Size ? f.Size + 4096 - f.Size % 4096 : 0);
            if (f.Size == 1024) builder.SetLinkKey(77);
        }
    };
    files("c:\\m\\");
    builder.OpenFolder("sub");
    files("c:\\m\\sub\\");
    builder.OpenFolder("deep");
    files("c:\\m\\sub\\deep\\");
    builder.CloseFolder();
    builder.OpenFolder("junction", 0, faDirectory | faReparsePoint);
    builder.CloseFolder();
    builder.CloseFolder();
    ASSERT_TRUE(builder.Finish());

    for (const char* mask : {"*.*", "*.txt", "a?c.*"}) {
        for (const char* folder : {"c:\\m", "c:\\m\\sub\\deep"}) {
            TFolderTotals totals;
            ASSERT_TRUE(imported.TotalsIfKnown(folder, mask, totals)) << folder << " " << mask;
            EXPECT_EQ(totals, FService.Totals(folder, mask)) << folder << " " << mask;
        }
    }
    EXPECT_EQ(empty.ReadsTotal(), 0);
    TScanReader reader(imported.ScanTree());
    const TScanFolder* deep = reader.Folder(reader.Find("c:\\m\\sub\\deep\\"));
    ASSERT_TRUE(deep && deep->LinkCount == 1);
    EXPECT_EQ(deep->Links()[0].File, 0u);
    EXPECT_EQ(deep->Links()[0].Key, 77u);
}

INSTANTIATE_TEST_SUITE_P(Split, ShellScanTree, ::testing::Bool());

// Files' ids, where the listing gives them, sit beside the files without disturbing their names or link
// keys, and a listing read again without ids gives their room back.
TEST(ShellScanTreeIds, IdsKeepNamesAndLinksAndTheirRoomIsCounted) {
    auto fill = [](TScanListing& listing, bool ids) {
        listing.Clear();
        const std::pair<const char*, std::uint64_t> files[] = {{"a.txt", 5}, {"b.txt", 0}, {"c.txt", 7}};
        for (const auto& [name, id] : files) {
            listing.AddFile(name, 10, 4096, 0, faArchive);
            if (ids && id) listing.SetFileId(id);
            if (id == 7) listing.SetLinkKey(7, 3);
        }
    };
    TScanTree tree('\\', false), plain('\\', false);
    TScanListing listing;
    for (TScanTree* t : {&tree, &plain}) {
        fill(listing, t == &tree);
        t->Install(t->AddRoot("c:\\i", "c:\\i\\"), "c:\\i\\", listing, TDirStatus::Ok, 0);
    }
    {
        TScanReader reader(tree);
        const TScanFolder* f = reader.Folder(reader.Find("c:\\i\\"));
        ASSERT_TRUE(f && f->FileIds());
        EXPECT_EQ(std::vector<std::uint64_t>(f->FileIds(), f->FileIds() + 3), (std::vector<std::uint64_t>{5, 0, 7}));
        EXPECT_EQ(f->FileName(f->Files()[2]), "c.txt");
        ASSERT_EQ(f->LinkCount, 1u);
        EXPECT_EQ(f->Links()[0].File, 2u);
        EXPECT_EQ(f->Links()[0].Device, 3u);
        EXPECT_EQ(tree.Stats().Bytes, plain.Stats().Bytes + 3 * sizeof(std::uint64_t));
    }
    fill(listing, false);
    tree.Install(tree.Find("c:\\i\\"), "c:\\i\\", listing, TDirStatus::Ok, 1);
    TScanReader reader(tree);
    const TScanFolder* f = reader.Folder(reader.Find("c:\\i\\"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->FileIds(), nullptr);
    EXPECT_EQ(f->FileName(f->Files()[0]), "a.txt");
    EXPECT_EQ(tree.Stats().Bytes, plain.Stats().Bytes);
}

}  // namespace
