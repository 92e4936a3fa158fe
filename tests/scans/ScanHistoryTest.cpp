// The scan history: files per root, the oldest removed past the limit, and a folder that cannot be made.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/DirList.h"
#include "scans/ScanHistory.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

TImportedScan Scan(const std::string& root, long long size) {
    return ImportScanBytes("[1,2,{},[{\"name\":\"" + root + "\"},{\"name\":\"f\",\"asize\":" + std::to_string(size) +
                           "}]]");
}

std::string Add(TScanHistory& history, const TImportedScan& scan, std::int64_t time) {
    const TScanReader reader(*scan.Tree);
    return history.Add(reader, scan.Root, scan.Key, TScanFileInfo{"voluscope", "1", time});
}

TEST(ScanHistory, KeepsTheNewestPerRootFoundByName) {
    const vstest::TTempDir dir;
    const std::string folder = dir.Utf8() + "/deeper/scans";  // made on the first write
    TScanHistory history(folder, SystemDirLister(), 3);
    const TImportedScan a = Scan("/data", 1), b = Scan("/other", 2);
    // Two of one second get numbers of their own; the oldest go first.
    for (std::int64_t t : {100, 101, 101, 102}) Add(history, a, t);
    Add(history, b, 50);
    const std::string newest = Add(history, a, 103);
    const auto list = history.List(a.Key);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Timestamp, 101);
    EXPECT_EQ(fs::path(list[0].File).filename(), TScanHistory::RootId(a.Key) + "-000000000101-1.json.gz");
    EXPECT_EQ(list[1].Timestamp, 102);
    EXPECT_EQ(list[2].File, newest);
    EXPECT_EQ(ImportScan(newest).Info.Timestamp, 103);
    ASSERT_EQ(history.List(b.Key).size(), 1u);  // another root's scans are its own
    EXPECT_EQ(ImportScan(history.List(b.Key)[0].File).Path, "/other");
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(vstest::Utf8Path(folder))) files += e.is_regular_file();
    EXPECT_EQ(files, 4u);
    EXPECT_NE(TScanHistory::RootId(a.Key), TScanHistory::RootId(b.Key));
    EXPECT_EQ(TScanHistory::RootId(a.Key).size(), 16u);
}

TEST(ScanHistory, AFolderThatCannotBeMadeIsReportedOnce) {
    const vstest::TTempDir dir;
    std::ofstream(dir.Path() / "blocker") << "a file where the folder should be";
    TScanHistory history(dir.Utf8() + "/blocker/scans", SystemDirLister());
    const TImportedScan a = Scan("/data", 1);
    const TScanReader reader(*a.Tree);
    const std::string first = history.AddOrWarnOnce(reader, a.Root, a.Key, {});
    EXPECT_NE(first.find("The scan could not be kept in the history. Cannot make the scan history folder"),
              std::string::npos)
        << first;
    EXPECT_EQ(history.AddOrWarnOnce(reader, a.Root, a.Key, {}), "");
    fs::remove(dir.Path() / "blocker");  // once it works again, a later failure is told again
    EXPECT_EQ(history.AddOrWarnOnce(reader, a.Root, a.Key, {}), "");
    EXPECT_EQ(history.List(a.Key).size(), 1u);
    fs::remove_all(dir.Path() / "blocker");
    std::ofstream(dir.Path() / "blocker") << "again";
    EXPECT_NE(history.AddOrWarnOnce(reader, a.Root, a.Key, {}), "");
}

#ifndef _WIN32
TEST(ScanHistory, TheUsersFolderFollowsXdgDataHome) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    EXPECT_EQ(TScanHistory::DefaultFolder(), "/x/data/voluscope/scans");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(TScanHistory::DefaultFolder(), std::string(std::getenv("HOME")) + "/.local/share/voluscope/scans");
    if (old) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}
#endif

}  // namespace
