// The listing of real folders. The same tree is made and listed natively (POSIX backend) and under Wine
// (Win32 backend), and both must give exactly the listings written below.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DirList.h"
#include "platform/FsFixture.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using vstest::TTempDir;

namespace {

// name, folder?, size
using TRow = std::tuple<std::string, bool, std::int64_t>;

constexpr std::int64_t kBig = 5'000'000'000;

std::vector<TRow> Listing(const std::string& folder, const std::string& pattern, TDirStatus* status = nullptr) {
    std::vector<TDirItem> items;
    TDirStatus s = ListDir(folder, pattern, items);
    if (status) *status = s;
    std::vector<TRow> rows;
    for (const auto& item : items) rows.emplace_back(item.Name, item.IsDirectory(), item.Size);
    std::sort(rows.begin(), rows.end());
    return rows;
}

class PlatformDirList : public ::testing::Test {
protected:
    TTempDir FTemp;
    std::string FRoot;

    void SetUp() override {
        FTemp.WriteFile("a b c.txt", 10);
        FTemp.WriteFile("x.y.z.txt", 20);
        FTemp.WriteFile("noext", 30);
        FTemp.WriteFile(".hidden", 40);
        FTemp.WriteFile("abc", 50);
        FTemp.WriteFile("a.c", 55);
        FTemp.WriteFile("a.txtx", 60);
        FTemp.WriteFile("Ünïcødé Жук.TXT", 70);
        FTemp.WriteFile("sub dir/inner.txt", 5);
        FTemp.MakeDir("empty");
        ASSERT_TRUE(vstest::MakeSparseFile(FTemp.Path() / "big.bin", kBig));
        FRoot = FTemp.Utf8();
    }
};

TEST_F(PlatformDirList, EveryNameWithStarAndStarDotStar) {
    const std::vector<TRow> expected = {
        {".hidden", false, 40},
        {"a b c.txt", false, 10},
        {"a.c", false, 55},
        {"a.txtx", false, 60},
        {"abc", false, 50},
        {"big.bin", false, kBig},
        {"empty", true, 0},
        {"noext", false, 30},
        {"sub dir", true, 0},
        {"x.y.z.txt", false, 20},
        {"Ünïcødé Жук.TXT", false, 70},
    };
    TDirStatus status;
    EXPECT_EQ(Listing(FRoot, "*", &status), expected);
    EXPECT_EQ(status, TDirStatus::Ok);
    EXPECT_EQ(Listing(FRoot, "*.*"), expected);
    // A trailing separator changes nothing.
    EXPECT_EQ(Listing(FRoot + "/", "*"), expected);
}

TEST_F(PlatformDirList, PatternsSelectByTheWildcardRules) {
    EXPECT_EQ(Listing(FRoot, "*.txt"),
              (std::vector<TRow>{{"a b c.txt", false, 10}, {"x.y.z.txt", false, 20}, {"Ünïcødé Жук.TXT", false, 70}}));
    EXPECT_EQ(Listing(FRoot, "a?c"), (std::vector<TRow>{{"abc", false, 50}}));
    EXPECT_EQ(Listing(FRoot, "A?C.*"), (std::vector<TRow>{{"abc", false, 50}}));
    EXPECT_EQ(Listing(FRoot, "sub*"), (std::vector<TRow>{{"sub dir", true, 0}}));
    EXPECT_EQ(Listing(FRoot, "ABC"), (std::vector<TRow>{{"abc", false, 50}}));
    EXPECT_EQ(Listing(FRoot, "nothing.here"), std::vector<TRow>{});
    EXPECT_EQ(Listing(FRoot, std::string(300, '?') + "*").size(), 11u);  // "?" may match nothing at the end
    EXPECT_EQ(Listing(FRoot, std::string(300, '?') + "x"), std::vector<TRow>{});
}

TEST_F(PlatformDirList, EmptyAndMissingFolders) {
    TDirStatus status;
    EXPECT_EQ(Listing(FRoot + "/empty", "*", &status), std::vector<TRow>{});
    EXPECT_EQ(status, TDirStatus::Ok);
    Listing(FRoot + "/missing", "*", &status);
    EXPECT_EQ(status, TDirStatus::NotFound);
    Listing(FRoot + "/abc", "*", &status);  // a file, not a folder
    EXPECT_EQ(status, TDirStatus::NotFound);
    EXPECT_TRUE(SystemDirLister().FolderExists(FRoot));
    EXPECT_TRUE(SystemDirLister().FolderExists(FRoot + "/sub dir/"));
    EXPECT_FALSE(SystemDirLister().FolderExists(FRoot + "/abc"));
    EXPECT_FALSE(SystemDirLister().FolderExists(FRoot + "/missing"));
}

TEST_F(PlatformDirList, AttributesAndTimes) {
    std::vector<TDirItem> items;
    ASSERT_EQ(ListDir(FRoot, "*", items), TDirStatus::Ok);
    // Now in 100-ns ticks since 1601.
    const auto sinceUnix =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    const std::int64_t now = (sinceUnix + 11644473600LL) * 10000000LL;
    for (const auto& item : items) {
        SCOPED_TRACE(item.Name);
        EXPECT_EQ(item.IsDirectory(), item.Name == "empty" || item.Name == "sub dir");
        EXPECT_EQ(item.Attributes & faReparsePoint, 0u);
        EXPECT_LT(std::llabs(item.LastWriteTime - now), 600LL * 10000000LL);
    }
}

TEST_F(PlatformDirList, VisitorCanStopEarly) {
    int visits = 0;
    TDirStatus status = SystemDirLister().List(FRoot, "*", [&](const TDirEntry&) { return ++visits < 3; });
    EXPECT_EQ(status, TDirStatus::Ok);
    EXPECT_EQ(visits, 3);
}

TEST_F(PlatformDirList, PathLongerThan260Characters) {
    std::string relative;
    for (int i = 0; i < 6; ++i) relative += (i ? "/" : "") + std::string(50, static_cast<char>('a' + i));
    FTemp.WriteFile(relative + "/deep file.txt", 123);
    const std::string deep = FRoot + "/" + relative;
    ASSERT_GT(deep.size(), 300u);
    EXPECT_EQ(Listing(deep, "*.txt"), (std::vector<TRow>{{"deep file.txt", false, 123}}));
    EXPECT_TRUE(SystemDirLister().FolderExists(deep));
}

// Natively past PATH_MAX (4,096 bytes), under Wine past MAX_PATH: the deepest folder and the ones on
// the way are listed and found by their full paths.
TEST_F(PlatformDirList, FoldersPastThePathLengthLimit) {
    const bool windows = SystemDirLister().Separator() == '\\';
    const int depth = windows ? 150 : 2100;
    const std::string name = windows ? "folder" : "d";
    const vstest::TDeepChain chain(FTemp.Path() / "chain", name, depth);
    const std::string& deepest = chain.Deepest();
    ASSERT_GT(deepest.size(), windows ? 1000u : 4200u);
    TDirStatus status;
    EXPECT_EQ(Listing(deepest, "*", &status), (std::vector<TRow>{{"f", false, 1}}));
    EXPECT_EQ(status, TDirStatus::Ok);
    std::vector<TRow> parent{{name, true, 0}, {"f", false, 1}};
    std::sort(parent.begin(), parent.end());
    EXPECT_EQ(Listing(deepest + "/..", "*"), parent);
    EXPECT_TRUE(SystemDirLister().FolderExists(deepest));
    EXPECT_FALSE(SystemDirLister().FolderExists(deepest + "/f"));
    EXPECT_FALSE(SystemDirLister().FolderExists(deepest + "/none"));
    EXPECT_EQ(Listing(deepest + "/none", "*", &status), std::vector<TRow>{});
    EXPECT_EQ(status, TDirStatus::NotFound);
}

// A visitor that throws ends the listing without leaving the folder open (counted where the system
// shows a process's open descriptors).
TEST_F(PlatformDirList, ThrowingVisitorLeavesNothingOpen) {
    const fs::path open = "/proc/self/fd";
    std::error_code ec;
    if (!fs::is_directory(open, ec)) GTEST_SKIP() << "no list of open descriptors here";
    auto count = [&] { return std::distance(fs::directory_iterator(open), fs::directory_iterator()); };
    const auto before = count();
    for (int i = 0; i < 50; ++i) {
        EXPECT_THROW(
            SystemDirLister().List(FRoot, "*", [](const TDirEntry&) -> bool { throw std::runtime_error("x"); }),
            std::runtime_error);
    }
    EXPECT_EQ(count(), before);
}

// Absolute and canonical forms: the folder-size cache keys are built from them.
TEST_F(PlatformDirList, AbsoluteCanonicalFolders) {
    TDirLister& lister = SystemDirLister();
    const char sep = lister.Separator();
    const std::string cwd = vstest::PathUtf8(fs::current_path());
    EXPECT_EQ(CanonicalFolder(lister.AbsolutePath("x"), sep), CanonicalFolder(cwd, sep) + "x" + sep);
    EXPECT_EQ(CanonicalFolder(lister.AbsolutePath(FRoot + "//a/./b/"), sep),
              CanonicalFolder(FRoot, sep) + "a" + sep + "b" + sep);
    if (sep == '\\') {
        EXPECT_EQ(CanonicalFolder(lister.AbsolutePath("C:"), sep), "C:\\");
        EXPECT_EQ(CanonicalFolder(lister.AbsolutePath("c:/a/../b"), sep), "c:\\b\\");
        EXPECT_EQ(CanonicalFolder("\\\\?\\UNC\\srv\\share\\x", sep), "\\\\srv\\share\\x\\");
    } else {
        EXPECT_EQ(CanonicalFolder(lister.AbsolutePath("/"), sep), "/");
        EXPECT_EQ(CanonicalFolder("//a///b", sep), "/a/b/");
    }
}

TEST_F(PlatformDirList, LinksAreReparsePointsNeverFollowed) {
    if (!vstest::MakeFolderLink(FTemp.Path() / "sub dir" / "up", FTemp.Path()))
        GTEST_SKIP() << "folder links cannot be made here";
    std::vector<TDirItem> items;
    ASSERT_EQ(ListDir(FRoot + "/sub dir", "*", items), TDirStatus::Ok);
    ASSERT_EQ(items.size(), 2u);
    auto link = std::find_if(items.begin(), items.end(), [](const TDirItem& i) { return i.Name == "up"; });
    ASSERT_NE(link, items.end());
    EXPECT_TRUE(link->Attributes & faDirectory);
    EXPECT_TRUE(link->Attributes & faReparsePoint);
    EXPECT_EQ(link->Size, 0);
}

TEST_F(PlatformDirList, UnreadableFolderFailsCleanly) {
    const fs::path locked = FTemp.MakeDir("locked");
    FTemp.WriteFile("locked/secret.txt", 9);
    auto check = [&] {
        TDirStatus status;
        bool empty = Listing(vstest::PathUtf8(locked), "*", &status).empty();
        return empty && status == TDirStatus::AccessDenied && SystemDirLister().FolderExists(vstest::PathUtf8(locked));
    };
    bool passed = false;
    if (!vstest::CheckWhileUnreadable(locked, check, passed))
        GTEST_SKIP() << "folders stay readable here (running as root)";
    EXPECT_TRUE(passed);
}

#ifndef _WIN32
TEST_F(PlatformDirList, PosixLinksToFilesAndDanglingLinks) {
    fs::create_symlink(FTemp.Path() / "abc", FTemp.Path() / "empty" / "to-file");
    fs::create_symlink(FTemp.Path() / "gone", FTemp.Path() / "empty" / "dangling");
    std::vector<TDirItem> items;
    ASSERT_EQ(ListDir(FRoot + "/empty", "*", items), TDirStatus::Ok);
    ASSERT_EQ(items.size(), 2u);
    for (const auto& item : items) {
        SCOPED_TRACE(item.Name);
        EXPECT_EQ(item.Attributes & (faReparsePoint | faDirectory), faReparsePoint);
        EXPECT_EQ(item.Size, 0);
    }
}
#endif

}  // namespace

// Two names of one file (a hard link made with the system's own call) share an id in the listing, which
// no other file has: the link's inode with its count on POSIX, the file id from the listing on Windows.
TEST_F(PlatformDirList, HardLinksShareTheirIdInTheListing) {
    std::error_code ec;
    fs::create_hard_link(FTemp.Path() / "abc", FTemp.Path() / "sub dir" / "abc again", ec);
    ASSERT_FALSE(ec) << ec.message();
    std::map<std::string, std::uint64_t> ids;
    for (const char* folder : {"", "/sub dir"})
        SystemDirLister().List(FRoot + folder, "*", [&](const TDirEntry& e) {
            ids[std::string(e.Name())] = e.LinkId() ? e.LinkId() : e.FileId();
            if (e.IsDirectory()) EXPECT_EQ(e.FileId(), 0u) << e.Name();
            return true;
        });
    ASSERT_NE(ids["abc"], 0u);
    EXPECT_EQ(ids["abc"], ids["abc again"]);
    for (const auto& [name, id] : ids)
        if (name != "abc" && name != "abc again") EXPECT_NE(id, ids["abc"]) << name;
}
