// Requests that total folders on worker threads: what each folder reports, cancel, a tree that changes
// while it is walked, and lookups from another thread meanwhile. Over the in-memory lister, whose
// hooks hold a listing back or change the tree at a chosen moment.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/FakeListing.h"
#include "shell/FolderSize.h"

using vstest::TFakeLister;
using vstest::TFakeVolumes;
using S = TFolderSizeStatus;
using namespace std::chrono_literals;

namespace {

// Records a request's callbacks and checks their order: never two at once, nothing after the end.
struct TRecorder {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<TFolderSizeResult> Results;
    std::vector<TFolderSizeProgress> Progress;
    int Ends = 0;
    TFolderSizeEnd End = TFolderSizeEnd::Finished;
    std::atomic<int> Inside{0};
    std::atomic<bool> Overlap{false}, AfterEnd{false};

    template <typename F>
    void Record(F&& f) {
        if (Inside.fetch_add(1) != 0) Overlap = true;
        {
            std::lock_guard lock(Lock);
            if (Ends) AfterEnd = true;
            f();
        }
        Changed.notify_all();
        Inside.fetch_sub(1);
    }
    TFolderSizeCallbacks Callbacks() {
        return {[this](const TFolderSizeResult& r) { Record([&] { Results.push_back(r); }); },
                [this](const TFolderSizeProgress& p) { Record([&] { Progress.push_back(p); }); },
                [this](TFolderSizeEnd e) {
                    Record([&] {
                        End = e;
                        ++Ends;
                    });
                }};
    }
    bool WaitForResults(std::size_t n) {
        std::unique_lock lock(Lock);
        return Changed.wait_for(lock, 20s, [&] { return Results.size() >= n; });
    }
    const TFolderSizeResult* Of(const std::string& folder) {
        std::lock_guard lock(Lock);
        for (const auto& r : Results)
            if (r.Folder == folder) return &r;
        return nullptr;
    }
};

class ShellFolderSizeAsync : public ::testing::TestWithParam<int> {
protected:
    vstest::TListingGate FGate;  // released before the service waits for its requests
    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};
    TRecorder FRecorder;

    void SetUp() override {
        FService.SetThreads(GetParam());
        FVolumes.SetDrive('C', 4096);
        for (int i = 0; i < 8; ++i) {
            const std::string d = "c:\\r\\d" + std::to_string(i);
            FLister.AddFile(d + "\\f.txt", 10 * (i + 1));
            FLister.AddFile(d + "\\s\\g.bin", 1);
        }
    }
    void TearDown() override {
        FGate.Release();
        EXPECT_FALSE(FRecorder.Overlap);
        EXPECT_FALSE(FRecorder.AfterEnd);
    }
    std::shared_ptr<TFolderSizeJob> Run(std::vector<std::string> folders, const char* mask) {
        auto job = FService.TotalsAsync(std::move(folders), mask, FRecorder.Callbacks());
        EXPECT_TRUE(job->Wait(20s));
        EXPECT_EQ(FRecorder.Ends, 1);
        return job;
    }
    TFolderTotals Fresh(const std::string& path, const char* mask) {
        TFolderSizeService fresh(FLister, FVolumes);
        fresh.SetTreeBudget(0);
        return fresh.Totals(path, mask);
    }
};

TEST_P(ShellFolderSizeAsync, EachFolderIsReportedWithItsStatus) {
    FLister.AddFile("c:\\r\\locked\\secret", 5);
    FLister.FailListing("c:\\r\\locked", TDirStatus::AccessDenied);
    FLister.AddFolder("c:\\r\\bad");
    FLister.ThrowOn("c:\\r\\bad");
    struct TCase {
        const char* Folder;
        TFolderSizeStatus Status;
        std::int64_t Size;
    };
    const TCase cases[] = {
        {"c:\\r\\d0", S::Complete, 11}, {"c:\\r\\locked", S::Partial, 0},
        {"c:\\r\\bad", S::Failed, -1},  {"c:\\r\\nowhere", S::NotFound, 0},
        {"", S::NotFound, 0},           {"C:\\R\\D7\\", S::Complete, 81},
    };
    std::vector<std::string> folders;
    for (const auto& c : cases) folders.push_back(c.Folder);
    Run(folders, "*.*");
    EXPECT_EQ(FRecorder.End, TFolderSizeEnd::Finished);
    ASSERT_EQ(FRecorder.Results.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TFolderSizeResult* r = FRecorder.Of(cases[i].Folder);
        ASSERT_TRUE(r) << cases[i].Folder;
        EXPECT_EQ(r->Index, i);
        EXPECT_EQ(r->Status, cases[i].Status) << cases[i].Folder;
        EXPECT_EQ(r->Totals.Size, cases[i].Size) << cases[i].Folder;
    }
    EXPECT_EQ(FRecorder.Of("c:\\r\\bad")->Error, "listing failed: c:\\r\\bad\\");
    // Complete figures are cached; another mask comes from the tree without a read.
    TFolderTotals t;
    EXPECT_TRUE(FService.TotalsIfKnown("c:\\r\\d7", "*.*", t));
    EXPECT_FALSE(FService.TotalsIfKnown("c:\\r\\bad", "*.*", t));
    const int reads = FLister.ReadsTotal();
    EXPECT_TRUE(FService.TotalsIfKnown("c:\\r\\d7", "*.bin", t));
    EXPECT_EQ(t, (TFolderTotals{1, 4096, 1}));
    EXPECT_EQ(FLister.ReadsTotal(), reads);
}

TEST_P(ShellFolderSizeAsync, CancelKeepsWhatWasCountedAndLeavesTheRestUnknown) {
    if (GetParam() < 2) GTEST_SKIP() << "needs a second worker while one is held";
    FGate.Key = "c:\\r\\d5\\";
    FLister.OnListing = [this](const std::string& key) { FGate.Wait(key); };
    std::vector<std::string> folders;
    for (int i = 0; i < 8; ++i) folders.push_back("c:\\r\\d" + std::to_string(i));
    auto job = FService.TotalsAsync(folders, "*.*", FRecorder.Callbacks());
    ASSERT_TRUE(FRecorder.WaitForResults(7));
    job->Cancel();
    FGate.Release();
    ASSERT_TRUE(job->Wait(20s));
    EXPECT_EQ(FRecorder.End, TFolderSizeEnd::Cancelled);
    EXPECT_EQ(FRecorder.Results.size(), 7u);
    EXPECT_EQ(FRecorder.Of("c:\\r\\d5"), nullptr);  // unknown, not reported
    TFolderTotals t;
    for (int i = 0; i < 8; ++i) {
        const std::string d = "c:\\r\\d" + std::to_string(i);
        EXPECT_EQ(FService.TotalsIfKnown(d, "*.*", t), i != 5) << d;
        if (i != 5) {
            EXPECT_EQ(FRecorder.Of(d)->Status, S::Complete);
        }
    }
    FLister.OnListing = nullptr;
    EXPECT_EQ(FService.Totals("c:\\r\\d5", "*.*"), Fresh("c:\\r\\d5", "*.*"));
}

// Two folders changed; the walk that reads them again is cancelled after the first: it stays fresh in
// the tree, the second is still read at the next total, and no total above them is taken as known.
TEST_P(ShellFolderSizeAsync, CancelDuringAnInvalidation) {
    if (GetParam() < 2) GTEST_SKIP() << "needs a second worker while one is held";
    ASSERT_EQ(FService.Totals("c:\\r", "*.*").Count, 16);
    FLister.AddFile("c:\\r\\d1\\new", 100);
    FLister.AddFile("c:\\r\\d2\\new", 200);
    FService.InvalidateFolderSize("c:\\r\\d1\\new", false);
    FService.InvalidateFolderSize("c:\\r\\d2\\new", false);
    FGate.Key = "c:\\r\\d2\\";
    FLister.OnListing = [this](const std::string& key) { FGate.Wait(key); };
    auto job = FService.TotalsAsync({"c:\\r"}, "*.*", FRecorder.Callbacks());
    TFolderTotals t;
    for (int i = 0; i < 4000 && !FService.TotalsIfKnown("c:\\r\\d1", "*.*", t); ++i) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(t.Size, 121);  // the first is read and totalled while the second is held
    job->Cancel();
    FGate.Release();
    ASSERT_TRUE(job->Wait(20s));
    EXPECT_EQ(FRecorder.End, TFolderSizeEnd::Cancelled);
    EXPECT_TRUE(FRecorder.Results.empty());
    EXPECT_FALSE(FService.TotalsIfKnown("c:\\r", "*.*", t));
    FLister.OnListing = nullptr;
    const TFolderTotals fresh = Fresh("c:\\r", "*.*");
    FLister.ResetReads();
    EXPECT_EQ(FService.Totals("c:\\r", "*.*"), fresh);
    EXPECT_EQ(FLister.ReadsTotal(), 1);
    EXPECT_EQ(FLister.Reads("c:\\r\\d2"), 1);
}

TEST_P(ShellFolderSizeAsync, ATreeChangedWhileWalkedIsNotReportedComplete) {
    std::atomic<bool> changed{false};
    FLister.OnListed = [&](const std::string& key) {
        if (key != "c:\\r\\d3\\" || changed.exchange(true)) return;
        FLister.AddFile("c:\\r\\d3\\late.txt", 1000);
        FService.InvalidateFolderSize("c:\\r\\d3\\late.txt", false);
    };
    Run({"c:\\r"}, "*.*");
    ASSERT_EQ(FRecorder.Results.size(), 1u);
    EXPECT_EQ(FRecorder.Results[0].Status, S::Changed);
    EXPECT_EQ(FRecorder.Results[0].Totals.Count, 16);  // as read: the late file came after
    TFolderTotals t;
    EXPECT_FALSE(FService.TotalsIfKnown("c:\\r", "*.*", t));

    TRecorder again;
    auto job = FService.TotalsAsync({"c:\\r"}, "*.*", again.Callbacks());
    ASSERT_TRUE(job->Wait(20s));
    ASSERT_EQ(again.Results.size(), 1u);
    EXPECT_EQ(again.Results[0].Status, S::Complete);
    EXPECT_EQ(again.Results[0].Totals, Fresh("c:\\r", "*.*"));
}

// While a request runs, another thread looks totals up, totals other folders and invalidates: every
// figure it is given is right, and so is the request's.
TEST_P(ShellFolderSizeAsync, LookupsFromAnotherThreadWhileARequestRuns) {
    for (int i = 0; i < 30; ++i)
        for (int k = 0; k < 4; ++k)
            FLister.AddFile("c:\\big\\p" + std::to_string(i % 5) + "\\q" + std::to_string(i) + "\\f" +
                                std::to_string(k) + (k % 2 ? ".txt" : ".bin"),
                            i * 10 + k);
    FLister.SetDelay(8ms);
    auto job = FService.TotalsAsync({"c:\\big", "c:\\r"}, "*.txt", FRecorder.Callbacks());
    for (int round = 0; !job->Ended(); ++round) {
        const std::string p = "c:\\big\\p" + std::to_string(round % 5);
        TFolderTotals t;
        if (FService.TotalsIfKnown(p, "*.txt", t)) {
            EXPECT_EQ(t, Fresh(p, "*.txt")) << p;
        }
        if (round % 7 == 0) {
            EXPECT_EQ(FService.Totals("c:\\r\\d1", "*.bin"), Fresh("c:\\r\\d1", "*.bin"));
        }
        if (round % 5 == 0) FService.InvalidateFolderSize("c:\\r\\d" + std::to_string(round % 8), true);
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_TRUE(job->Wait(20s));
    FLister.SetDelay(0ms);
    const TFolderSizeResult* big = FRecorder.Of("c:\\big");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->Status, S::Complete);
    EXPECT_EQ(big->Totals, Fresh("c:\\big", "*.txt"));
    // Progress came while the disk was read, with a running count and the folder being read.
    ASSERT_FALSE(FRecorder.Progress.empty());
    EXPECT_GT(FRecorder.Progress.back().Files, 0);
    EXPECT_EQ(FRecorder.Progress.back().Folder.rfind("c:\\", 0), 0u);
    EXPECT_EQ(FService.Totals("c:\\r", "*.txt"), Fresh("c:\\r", "*.txt"));
}

INSTANTIATE_TEST_SUITE_P(Threads, ShellFolderSizeAsync, ::testing::Values(1, 2, 4));

}  // namespace
