// The folder model's figures: results that come on the service's workers and reach the model through
// its wake and Deliver, as a window's message loop hands them over; cancel, a new listing while a walk
// runs, folders that cannot be read, vanish or change while walked, and the mask the totals count by.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "shell/FakeListing.h"
#include "shell/FolderModel.h"

using vstest::TFakeLister;
using vstest::TFakeVolumes;
using namespace std::chrono_literals;

namespace {

class FolderModel : public ::testing::TestWithParam<int> {
protected:
    vstest::TListingGate FHold;
    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};
    std::mutex FLock;
    std::condition_variable FWoken;
    int FWakes = 0;
    std::unique_ptr<TFolderModel> FModel;
    std::vector<TFolderModelChange> FChanges;

    void SetUp() override {
        FService.SetThreads(GetParam());
        FVolumes.SetDrive('C', 4096);
        for (int i = 0; i < 8; ++i) {
            const std::string d = Folder(i);
            FLister.AddFile(d + "\\f.txt", 10 * (i + 1));
            FLister.AddFile(d + "\\s\\g.bin", 1);
        }
        FModel = std::make_unique<TFolderModel>(FService);
        // What a window does: the worker posts a message, and the window's thread delivers.
        FModel->OnWake = [this] {
            {
                std::lock_guard lock(FLock);
                ++FWakes;
            }
            FWoken.notify_all();
        };
        FModel->Subscribe([this](const TFolderModelChange& c) { FChanges.push_back(c); });
    }
    void TearDown() override { FHold.Release(); }
    static std::string Folder(int i) { return "c:\\r\\d" + std::to_string(i); }
    static std::vector<std::string> Folders(int n) {
        std::vector<std::string> f;
        for (int i = 0; i < n; ++i) f.push_back(Folder(i));
        return f;
    }
    // Delivers on this thread, as posted messages come, until done() holds (false after 20 s).
    template <typename F>
    bool DeliverUntil(F done) {
        for (int i = 0; i < 2000; ++i) {
            {
                std::unique_lock lock(FLock);
                FWoken.wait_for(lock, 10ms, [&] { return FWakes > 0; });
                FWakes = 0;
            }
            FModel->Deliver();
            if (done()) return true;
        }
        return false;
    }
    bool Idle() { return FModel->State() != TFiguresState::Running; }
    TFolderTotals Fresh(const std::string& path, const char* mask) {
        TFolderSizeService fresh(FLister, FVolumes);
        fresh.SetTreeBudget(0);
        return fresh.Totals(path, mask);
    }
    int Known() {
        TFolderTotals t;
        int n = 0;
        for (int i = 0; i < 8; ++i) n += FModel->Figures(Folder(i), t);
        return n;
    }
};

TEST_P(FolderModel, FiguresArriveThroughTheWindowsThreadAndEqualAWalk) {
    FModel->Request(Folders(8));
    EXPECT_EQ(FModel->State(), TFiguresState::Running);
    EXPECT_TRUE(FModel->Incomplete());
    ASSERT_TRUE(DeliverUntil([&] { return Idle(); }));
    EXPECT_EQ(FModel->State(), TFiguresState::Idle);
    EXPECT_FALSE(FModel->Incomplete());
    std::vector<std::string> reported;
    for (const auto& c : FChanges) reported.insert(reported.end(), c.Folders.begin(), c.Folders.end());
    EXPECT_EQ(reported.size(), 8u);  // each once
    for (int i = 0; i < 8; ++i) {
        TFolderTotals t;
        ASSERT_TRUE(FModel->Figures(Folder(i), t)) << i;
        EXPECT_EQ(t, Fresh(Folder(i), "*.*")) << i;
    }
    // A new listing of the same folders knows them at once, from the cache: no request, no wait.
    FModel->Reset();
    FLister.ResetReads();
    FModel->Request(Folders(8));
    EXPECT_EQ(FModel->State(), TFiguresState::Idle);
    EXPECT_EQ(Known(), 8);
    EXPECT_EQ(FLister.ReadsTotal(), 0);
}

// The user stops the walk while one folder is still read: the others keep their figures, it stays
// unknown, and the figures say they are incomplete until the next listing.
TEST_P(FolderModel, CancelKeepsTheCompletedFiguresAndSaysTheRestAreMissing) {
    if (GetParam() < 2) GTEST_SKIP() << "needs a second worker while one is held";
    FHold.Key = "c:\\r\\d5\\";
    FLister.OnListing = [this](const std::string& key) { FHold.Wait(key); };
    FModel->Request(Folders(8));
    ASSERT_TRUE(DeliverUntil([&] { return Known() == 7; }));
    EXPECT_TRUE(FModel->Cancel());
    EXPECT_EQ(FModel->State(), TFiguresState::Cancelled);  // at once, before the workers stop
    EXPECT_TRUE(FChanges.back().State);
    FHold.Release();
    // The held folder's walk ends cancelled and leaves it unknown.
    ASSERT_TRUE(DeliverUntil([&] { return !FModel->Walking(); }));
    TFolderTotals t;
    EXPECT_FALSE(FModel->Figures(Folder(5), t));
    EXPECT_EQ(Known(), 7);
    EXPECT_EQ(FModel->State(), TFiguresState::Cancelled);
    EXPECT_TRUE(FModel->Incomplete());
    EXPECT_FALSE(FModel->Cancel());  // nothing left to stop
}

// A new listing while the walk of the last one runs: its late results are never shown.
TEST_P(FolderModel, ResultsOfTheListingBeforeAreDropped) {
    FHold.Key = "c:\\r\\d2\\";
    FLister.OnListing = [this](const std::string& key) { FHold.Wait(key); };
    FModel->Request({Folder(2)});
    FModel->Reset();
    FModel->Request({Folder(3)});
    FHold.Release();
    ASSERT_TRUE(DeliverUntil([&] { return Idle(); }));
    TFolderTotals t;
    EXPECT_FALSE(FModel->Figures(Folder(2), t));
    EXPECT_TRUE(FModel->Figures(Folder(3), t));
    EXPECT_FALSE(FModel->Incomplete());
}

// Folders that cannot be read, vanish or change while walked: each gets the figures it may show and
// the model says whether they are complete.
TEST_P(FolderModel, FoldersThatFailOrChangeWhileWalked) {
    FLister.AddFile("c:\\r\\locked\\secret", 5);
    FLister.FailListing("c:\\r\\locked", TDirStatus::AccessDenied);
    FLister.AddFile("c:\\r\\gone\\x", 5);
    FLister.Vanish("c:\\r\\gone");
    bool changed = false;
    FLister.OnListed = [&](const std::string& key) {
        if (key != "c:\\r\\d3\\s\\" || changed) return;
        changed = true;
        FLister.AddFile("c:\\r\\d3\\s\\late.bin", 1000);
        FService.InvalidateFolderSize("c:\\r\\d3\\s\\late.bin", false);
    };
    const struct {
        const char* Folder;
        bool Known;
        std::int64_t Size;
    } cases[] = {
        {"c:\\r\\d3", true, 1041},   // changed while walked: asked again, then exact with the late file
        {"c:\\r\\gone", true, 0},    // vanished
        {"c:\\r\\locked", true, 0},  // shows what could be read, and makes the figures incomplete
    };
    std::vector<std::string> folders;
    for (const auto& c : cases) folders.push_back(c.Folder);
    FModel->Request(folders);
    ASSERT_TRUE(DeliverUntil([&] { return Idle(); }));
    for (const auto& c : cases) {
        TFolderTotals t;
        EXPECT_EQ(FModel->Figures(c.Folder, t), c.Known) << c.Folder;
        EXPECT_EQ(t.Size, c.Size) << c.Folder;
    }
    EXPECT_TRUE(FModel->Incomplete());
}

// The model goes (the window closes) while a walk runs: the late results wake nothing.
TEST_P(FolderModel, AModelDestroyedDuringAWalk) {
    FHold.Key = "c:\\r\\d1\\";
    FLister.OnListing = [this](const std::string& key) { FHold.Wait(key); };
    FModel->Request(Folders(3));
    FModel.reset();
    FHold.Release();
    std::this_thread::sleep_for(100ms);
    std::lock_guard lock(FLock);
    EXPECT_LE(FWakes, 1);  // at most the wake before the model went
}

TEST_P(FolderModel, TheTotalsCountByTheMaskInForce) {
    const struct {
        bool Filtered;
        const char* Mask;
        const char* Totals;
        std::int64_t D0Count;
    } cases[] = {
        {false, "*.txt", "*.*", 2}, {true, "*.txt", "*.txt", 1}, {true, "*.bin", "*.bin", 1}, {true, "", "", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mask);
        FModel->SetFiltered(c.Filtered);
        FModel->SetMask(c.Mask);
        EXPECT_EQ(FModel->TotalsMask(), c.Totals);
        FModel->Reset();
        FModel->Request({Folder(0)});
        ASSERT_TRUE(DeliverUntil([&] { return Idle(); }));
        TFolderTotals t;
        ASSERT_TRUE(FModel->Figures(Folder(0), t));
        EXPECT_EQ(t.Count, c.D0Count);
    }
}

// Rows as a listing makes them: the folders d0..d7 (whose totals grow with the number) and a few files.
TStShellItemList ListingRows(const std::vector<std::string>& files, int folders = 4) {
    TStShellItemList rows;
    for (int i = folders - 1; i >= 0; --i) {
        auto item = std::make_unique<TStShellItem>();
        item->Path = "c:\\r\\d" + std::to_string(i);
        item->DisplayName = "d" + std::to_string(i);
        item->IsFileSystem = item->IsFileSystemFolder = true;
        rows.Add(std::move(item));
    }
    std::int64_t size = 100;
    for (const std::string& name : files) {
        auto item = std::make_unique<TStShellItem>();
        item->Path = "c:\\r\\" + name;
        item->DisplayName = name;
        item->IsFile = item->IsFileSystem = true;
        item->FSize = size;
        size += 100;
        rows.Add(std::move(item));
    }
    return rows;
}

std::vector<std::string> Names(const TFolderModel& model) {
    std::vector<std::string> names;
    for (int r = 0; r < model.RowCount(); ++r) names.push_back(model.Row(r)->DisplayName);
    return names;
}

// Ids follow their rows through sorts, the mask and a re-read; each operation raises one Changed that
// says what it changed, and a row's id finds it in whatever order the rows stand.
TEST_P(FolderModel, RowIdsStayWithTheirRowsAndEachOperationRaisesOneChange) {
    FModel->SetSortRules({{skName, skSize}});
    FModel->SetRows(ListingRows({"b.txt", "a.bin", "c.txt"}));
    ASSERT_EQ(FChanges.size(), 1u);
    EXPECT_TRUE(FChanges.back().Folder);
    EXPECT_EQ(Names(*FModel), (std::vector<std::string>{"d0", "d1", "d2", "d3", "a.bin", "b.txt", "c.txt"}));
    std::map<std::string, TRowId> ids;
    for (int r = 0; r < FModel->RowCount(); ++r) ids[FModel->Row(r)->DisplayName] = FModel->RowId(r);
    EXPECT_EQ(ids.size(), 7u);
    auto idsHold = [&] {
        for (int r = 0; r < FModel->RowCount(); ++r) {
            const TRowId id = ids.at(FModel->Row(r)->DisplayName);
            EXPECT_EQ(FModel->RowId(r), id) << r;
            EXPECT_EQ(FModel->RowOf(id), r);
            EXPECT_EQ(FModel->Find(id), FModel->Row(r));
        }
    };
    const struct {
        const char* What;
        std::function<void()> Act;
        std::vector<std::string> Shown;
        bool Sort, Mask;
    } steps[] = {
        {"by size, descending",
         [&] { FModel->Sort(1, false); },
         {"c.txt", "a.bin", "b.txt", "d3", "d2", "d1", "d0"},
         true,
         false},
        {"ascending: the order turns round",
         [&] { FModel->Sort(1, true); },
         {"d0", "d1", "d2", "d3", "b.txt", "a.bin", "c.txt"},
         true,
         false},
        {"the mask hides files only",
         [&] {
             FModel->SetFiltered(true);
             FChanges.clear();
             FModel->SetMask("*.txt");
         },
         {"d0", "d1", "d2", "d3", "b.txt", "c.txt"},
         false,
         true},
        {"descending under the mask",
         [&] { FModel->Sort(0, false); },
         {"c.txt", "b.txt", "d3", "d2", "d1", "d0"},
         true,
         false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.What);
        FChanges.clear();
        step.Act();
        ASSERT_EQ(FChanges.size(), 1u);
        EXPECT_EQ(FChanges[0].Sort, step.Sort);
        EXPECT_EQ(FChanges[0].Mask, step.Mask);
        EXPECT_FALSE(FChanges[0].Folder);
        EXPECT_EQ(Names(*FModel), step.Shown);
        idsHold();
    }
    EXPECT_EQ(FModel->RowOf(ids["a.bin"]), -1);  // hidden by the mask, still in the model
    EXPECT_NE(FModel->Find(ids["a.bin"]), nullptr);

    // Read again: d1 and b.txt went, e.txt came; the rows kept keep their ids and their order.
    FChanges.clear();
    TStShellItemList fresh = ListingRows({"c.txt", "e.txt", "a.bin"}, 4);
    std::erase_if(fresh.Storage(), [](const auto& item) { return item->DisplayName == "d1"; });
    FModel->UpdateRows(std::move(fresh));
    ASSERT_EQ(FChanges.size(), 1u);
    const TFolderModelChange c = FChanges[0];
    EXPECT_EQ(std::set<TRowId>(c.Removed.begin(), c.Removed.end()), (std::set<TRowId>{ids["b.txt"], ids["d1"]}));
    ASSERT_EQ(c.Added.size(), 1u);
    EXPECT_EQ(c.Updated.size(), 5u);
    EXPECT_EQ(c.Before.size(), 6u);
    EXPECT_EQ(Names(*FModel), (std::vector<std::string>{"e.txt", "c.txt", "d3", "d2", "d0"}));
    ids.erase("b.txt");
    ids.erase("d1");
    for (const auto& [name, id] : ids) EXPECT_LT(id, c.Added[0]) << "ids are never given twice";
    ids["e.txt"] = c.Added[0];
    idsHold();
    EXPECT_EQ(FModel->Find(c.Removed[0]), nullptr);

    // A new listing: every id is new.
    FModel->SetRows(ListingRows({"c.txt"}));
    for (int r = 0; r < FModel->RowCount(); ++r) EXPECT_GT(FModel->RowId(r), c.Added[0]);
}

// Figures arrive on the workers in their own order and go to the rows of their folders, in whatever
// order the rows stand; rows sorted by size take their places once the last is in.
TEST_P(FolderModel, FiguresFillTheRowsOfTheirFoldersAndASortBySizeFollows) {
    FLister.AddFile("c:\\r\\d0\\big.bin", 1000);  // the first by path, the largest by size
    FModel->SetSortRules({{skName, skSize}});
    FModel->SetRows(ListingRows({"x.txt"}, 8));
    FModel->Sort(1, false);  // unknown sizes tie, and go by path
    EXPECT_EQ(Names(*FModel), (std::vector<std::string>{"x.txt", "d7", "d6", "d5", "d4", "d3", "d2", "d1", "d0"}));
    FModel->Request(Folders(8));
    ASSERT_TRUE(DeliverUntil([&] { return Idle(); }));
    std::set<TRowId> updated;
    for (const auto& c : FChanges) updated.insert(c.Updated.begin(), c.Updated.end());
    EXPECT_EQ(updated.size(), 8u);
    for (int r = 0; r < FModel->RowCount(); ++r)
        if (TStShellItem* item = FModel->Row(r); !item->IsFile)
            EXPECT_EQ(item->FSize, Fresh(item->Path, "*.*").Size) << item->Path;
    ASSERT_TRUE(FChanges.back().Sort);
    EXPECT_EQ(Names(*FModel), (std::vector<std::string>{"x.txt", "d0", "d7", "d6", "d5", "d4", "d3", "d2", "d1"}));
    EXPECT_EQ(FChanges.back().Before.size(), 9u);

    // Folder sizes off: one change empties every folder's figures and puts the rows back by path.
    FChanges.clear();
    FModel->ForgetFigures();
    ASSERT_EQ(FChanges.size(), 1u);
    EXPECT_EQ(FChanges[0].Updated.size(), 8u);
    EXPECT_TRUE(FChanges[0].Sort);
    EXPECT_EQ(Names(*FModel), (std::vector<std::string>{"x.txt", "d7", "d6", "d5", "d4", "d3", "d2", "d1", "d0"}));
    for (int r = 1; r < FModel->RowCount(); ++r) EXPECT_EQ(FModel->Row(r)->FSize, -1) << r;
}

INSTANTIATE_TEST_SUITE_P(Threads, FolderModel, ::testing::Values(1, 2, 4));

}  // namespace
