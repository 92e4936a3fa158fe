// Keeping completed walks in the scan history: the walks the folder-size service ends with exact figures,
// written from its scan tree on the keeper's thread, and nothing else.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/DirList.h"
#include "scans/ScanFile.h"
#include "scans/ScanKeeper.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"
#include "support/TestSupport.h"

namespace {

class ScanKeeper : public ::testing::Test {
protected:
    vstest::TFakeLister Lister;
    vstest::TFakeVolumes Volumes;
    TFolderSizeService Service{Lister, Volumes};
    vstest::TTempDir Dir;
    std::mutex Lock;
    std::vector<std::string> Warnings;

    void SetUp() override {
        Service.SetThreads(2);
        Volumes.SetDrive('C', 4096);
        Lister.AddFile("c:\\data\\a.txt", 10);
        Lister.AddFile("c:\\data\\sub\\b.bin", 5000);
        Lister.AddFile("c:\\data\\sub\\deep\\c.txt", 3);
        Lister.AddHardLink("c:\\data\\one.lnk", 7000, 42);
        Lister.AddHardLink("c:\\data\\sub\\two.lnk", 7000, 42);
        Lister.AddEntry("c:\\data\\junction", faDirectory | faReparsePoint);
        Lister.AddFile("c:\\bad\\x.txt", 1);
        Lister.AddFile("c:\\bad\\inner\\y.txt", 1);
        Lister.FailListing("c:\\bad\\inner", TDirStatus::AccessDenied);
    }
    std::unique_ptr<TScanKeeper> Keeper(const std::string& folder,
                                        std::int64_t minInterval = TScanKeeper::kMinInterval) {
        return std::make_unique<TScanKeeper>(
            Service, std::make_unique<TScanHistory>(folder, SystemDirLister()), "9.9",
            [this](const std::string& m) {
                std::lock_guard lock(Lock);
                Warnings.push_back(m);
            },
            minInterval);
    }
    static void WaitIdle(const TScanKeeper& keeper) {
        for (int i = 0; i < 2000 && !keeper.Idle(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(keeper.Idle());
    }
    std::size_t Kept(const TScanKeeper& keeper, const std::string& folder) {
        return keeper.History().List(Service.CacheKey(folder)).size();
    }
};

TEST_F(ScanKeeper, KeepsWalksThatEndExactWhileOnAndNothingElse) {
    const auto keeper = Keeper(Dir.Utf8() + "/scans");
    // Off: a walk is not kept.
    Service.Totals("c:\\data", "*.*");
    WaitIdle(*keeper);
    EXPECT_EQ(Kept(*keeper, "c:\\data"), 0u);

    keeper->SetEnabled(true);
    Service.InvalidateFolderSize("c:\\data\\a.txt", false);
    const TFolderTotals totals = Service.Totals("c:\\data", "*.txt");  // any mask: the tree holds every file
    WaitIdle(*keeper);
    const auto kept = keeper->History().List(Service.CacheKey("c:\\data"));
    ASSERT_EQ(kept.size(), 1u);
    // The file holds the whole tree as walked: every file, the hard-linked one once, the junction listed.
    const TImportedScan scan = ImportScan(kept[0].File);
    EXPECT_EQ(scan.Path, "c:\\data");
    EXPECT_EQ(scan.Info.ProgVer, "9.9");
    const TScanReader reader(*scan.Tree);
    const TScanTotals& all = reader.Folder(scan.Root)->Total;
    EXPECT_EQ(all, (TScanTotals{10 + 5000 + 3 + 7000, 4096 + 8192 + 4096 + 8192, 4}));
    EXPECT_EQ(totals.Count, 2);
    EXPECT_EQ(scan.Folders, 3);
    EXPECT_NE(ScanJsonText(reader, scan.Root, {}).find("\"junction\",\"notreg\":true,\"excluded\":\"link\""),
              std::string::npos);

    // Answers from the cache or the tree read no disk and are no walks; a walk that could not read
    // everything is not kept either, nor a walk of the same root soon after its last kept scan.
    Service.Totals("c:\\data", "*.txt");
    Service.InvalidateFolderSize("c:\\data\\a.txt", false);
    EXPECT_EQ(Service.Totals("c:\\data", "*.*").Count, 4);
    Service.Totals("c:\\data\\sub", "*.*");
    EXPECT_TRUE(Service.Totals("c:\\bad", "*.*").Partial);
    WaitIdle(*keeper);
    EXPECT_EQ(Kept(*keeper, "c:\\data"), 1u);
    EXPECT_EQ(Kept(*keeper, "c:\\data\\sub"), 0u);
    EXPECT_EQ(Kept(*keeper, "c:\\bad"), 0u);
    // Asked for on the workers as the folder list asks: each completed root is kept.
    Lister.AddFile("c:\\more\\m.txt", 1);
    Service.TotalsAsync({"c:\\more", "c:\\data\\sub"}, "*.*", {})->Wait(std::chrono::milliseconds::max());
    WaitIdle(*keeper);
    EXPECT_EQ(Kept(*keeper, "c:\\more"), 1u);
    EXPECT_TRUE(Warnings.empty());
}

TEST_F(ScanKeeper, AnUnwritableFolderWarnsOnceAndTheWalksGoOn) {
    std::ofstream(Dir.Path() / "blocker") << "a file where the folder should be";
    const auto keeper = Keeper(Dir.Utf8() + "/blocker/scans", 0);
    keeper->SetEnabled(true);
    for (int walk = 0; walk < 2; ++walk) {
        Service.InvalidateFolderSize("c:\\data\\sub\\b.bin", false);
        EXPECT_EQ(Service.Totals("c:\\data", "*.*").Count, 4);
        WaitIdle(*keeper);
    }
    ASSERT_EQ(Warnings.size(), 1u);
    EXPECT_EQ(Warnings[0].rfind("The scan could not be kept in the history. Cannot make the scan history folder", 0),
              0u)
        << Warnings[0];
}

}  // namespace
