// The comparison of two saved scans: added, removed, grown and shrunk files and folders.
#include <gtest/gtest.h>

#include <string>

#include "scans/ScanDiff.h"
#include "scans/ScanFile.h"

namespace {

std::string Scan(const std::string& root, const std::string& body) {
    return "[1,2,{},[{\"name\":\"" + root + "\"}" + body + "]]";
}
std::string File(const std::string& name, long long size) {
    return ",{\"name\":\"" + name + "\",\"asize\":" + std::to_string(size) + "}";
}
std::string Folder(const std::string& name, const std::string& body) {
    return ",[{\"name\":\"" + name + "\"}" + body + "]";
}

std::string Describe(const TScanChange& c) {
    static const char* const kKinds[] = {"added", "removed", "grown", "shrunk"};
    return std::string(kKinds[static_cast<int>(c.Kind)]) + (c.Folder ? " folder " : " file ") + c.Path + " " +
           std::to_string(c.OldSize) + "->" + std::to_string(c.NewSize);
}

TScanDiff Diff(const std::string& before, const std::string& after) {
    const TImportedScan a = ImportScanBytes(before), b = ImportScanBytes(after);
    const TScanReader ra(*a.Tree), rb(*b.Tree);
    return DiffScans(ra, a.Root, rb, b.Root);
}

TEST(ScanDiff, ChangesOfFilesAndFolders) {
    struct TCase {
        const char* Name;
        std::string Old, New;
        std::vector<std::string> Changes;
    };
    const std::string base = File("same", 5) + File("grows", 10) + File("shrinks", 100) + File("goes", 7) +
                             Folder("keep", File("x", 1) + Folder("deep", File("y", 2)));
    const TCase cases[] = {
        {"nothing", Scan("/r", base), Scan("/r", base), {}},
        {"files",
         Scan("/r", base),
         Scan("/r", File("same", 5) + File("grows", 15) + File("shrinks", 1) + File("new", 3) +
                        Folder("keep", File("x", 1) + Folder("deep", File("y", 2)))),
         {"removed file goes 7->0", "grown file grows 10->15", "added file new 0->3", "shrunk file shrinks 100->1"}},
        {"a deep file grows its folders",
         Scan("/r", base),
         Scan("/r", File("same", 5) + File("grows", 10) + File("shrinks", 100) + File("goes", 7) +
                        Folder("keep", File("x", 1) + Folder("deep", File("y", 20)))),
         {"grown folder keep 3->21", "grown folder keep/deep 2->20", "grown file keep/deep/y 2->20"}},
        {"a moved folder is removed here and added there",
         Scan("/r", Folder("a", Folder("m", File("f", 9))) + Folder("b", "")),
         Scan("/r", Folder("a", "") + Folder("b", Folder("m", File("f", 9)))),
         {"shrunk folder a 9->0", "removed folder a/m 9->0", "grown folder b 0->9", "added folder b/m 0->9"}},
        {"a file that became a folder",
         Scan("/r", File("x", 4)),
         Scan("/r", Folder("x", File("in", 6))),
         {"removed file x 4->0", "added folder x 0->6"}},
        {"names differing in case only are one entry where case is ignored",
         Scan("c:\\\\r", File("A.TXT", 1) + Folder("Sub", File("f", 1))),
         Scan("c:\\\\r", File("a.txt", 2) + Folder("SUB", File("F", 1))),
         {"grown file a.txt 1->2"}},
        {"and two entries where it is not",
         Scan("/r", File("A", 1)),
         Scan("/r", File("a", 1)),
         {"removed file A 1->0", "added file a 0->1"}},
    };
    for (const TCase& c : cases) {
        const TScanDiff diff = Diff(c.Old, c.New);
        std::vector<std::string> got;
        for (const TScanChange& change : diff.Changes) got.push_back(Describe(change));
        std::sort(got.begin(), got.end());
        std::vector<std::string> want = c.Changes;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << c.Name;
    }
}

TEST(ScanDiff, TotalsLookupAndLargestChanges) {
    const TScanDiff diff =
        Diff(Scan("/r", File("a", 100) + File("b", 50) + Folder("old", File("f", 1000))),
             Scan("/r", File("a", 400) + File("b", 10) + File("c", 200) + Folder("new", Folder("n", File("g", 70)))));
    EXPECT_EQ(diff.Old, (TScanTotals{1150, 0, 3}));
    EXPECT_EQ(diff.New, (TScanTotals{680, 0, 4}));
    ASSERT_NE(diff.Find("a"), nullptr);
    EXPECT_EQ(diff.Find("a")->Change(), 300);
    EXPECT_EQ(diff.Find("new")->NewFiles, 1);
    EXPECT_EQ(diff.Find("new/n"), nullptr);  // inside a folder added as a whole
    auto paths = [](const std::vector<const TScanChange*>& list) {
        std::vector<std::string> out;
        for (const TScanChange* c : list) out.push_back(c->Path);
        return out;
    };
    EXPECT_EQ(paths(diff.Largest(10, true)), (std::vector<std::string>{"a", "c", "new"}));
    EXPECT_EQ(paths(diff.Largest(1, false)), (std::vector<std::string>{"old"}));
    EXPECT_EQ(paths(diff.Largest(10, false)), (std::vector<std::string>{"old", "b"}));
}

// A baseline stands for the folders on disk by their paths; a folder's entries carry what it held then.
TEST(ScanBaseline, MatchesFoldersOnDiskToSavedFolders) {
    const TScanBaseline windows(ImportScanBytes(
        Scan("C:\\\\Data", File("Top.txt", 3000) + Folder("Sub", File("a", 10) + Folder("Deep", File("b", 5))))));
    const TScanBaseline posix(ImportScanBytes(Scan("/home/u", File("f", 1) + Folder("Sub", File("a", 2)))));
    struct TCase {
        const TScanBaseline* Baseline;
        const char* Path;
        bool Matched;
        std::vector<std::string> Entries;  // "name size", folders with a trailing separator
    };
    const TCase cases[] = {
        {&windows, "C:\\Data", true, {"Top.txt 3000", "Sub\\ 15"}},
        {&windows, "c:\\data\\", true, {"Top.txt 3000", "Sub\\ 15"}},
        {&windows, "C:\\DATA\\sub", true, {"a 10", "Deep\\ 5"}},
        {&windows, "C:/Data/Sub/Deep", true, {"b 5"}},
        {&windows, "C:\\Data\\New\\Deeper", true, {}},
        {&windows, "C:\\Data2", false, {}},
        {&windows, "C:\\", false, {}},
        {&windows, "/home/u", false, {}},
        {&posix, "/home/u", true, {"f 1", "Sub\\ 2"}},
        {&posix, "/home/u/sub", true, {}},
        {&posix, "/home/user", false, {}},
        {&posix, "C:\\home\\u", false, {}},
    };
    for (const TCase& c : cases) {
        TBaselineFolder folder;
        EXPECT_EQ(c.Baseline->Match(c.Path, folder), c.Matched) << c.Path;
        std::vector<std::string> got;
        for (const TBaselineEntry& e : folder.Entries)
            got.push_back(e.Name + (e.Folder ? "\\ " : " ") + std::to_string(e.Size));
        EXPECT_EQ(got, c.Entries) << c.Path;
    }
}

TEST(ScanBaseline, FindsEntriesByNameAsTheSavedRootCompares) {
    TBaselineFolder folder;
    ASSERT_TRUE(TScanBaseline(ImportScanBytes(Scan("C:\\\\r", File("Read Me.TXT", 7) + Folder("Sub", ""))))
                    .Match("c:\\r", folder));
    ASSERT_NE(folder.Find("read me.txt"), nullptr);
    EXPECT_EQ(folder.Find("read me.txt")->Size, 7);
    EXPECT_TRUE(folder.Find("SUB")->Folder);
    EXPECT_EQ(folder.Find("Read"), nullptr);
    ASSERT_TRUE(TScanBaseline(ImportScanBytes(Scan("/r", File("A", 1)))).Match("/r", folder));
    EXPECT_NE(folder.Find("A"), nullptr);
    EXPECT_EQ(folder.Find("a"), nullptr);
}

TEST(ScanBaseline, ChangeTexts) {
    struct TCase {
        std::int64_t Now, Then;
        const char* Text;  // nullptr: no change known
    };
    const TCase cases[] = {
        {5000, 5000, "0KB"},
        {3 * 1024 * 1024, 1024 * 1024, "+2,048KB"},
        {1024, 3 * 1024, "-2KB"},
        {1, 0, "+1KB"},
        {0, 100, "-1KB"},
        {2047, 0, "+1KB"},
        {INT64_MAX, 0, "+9,007,199,254,740,991KB"},
        {0, INT64_MAX, "-9,007,199,254,740,991KB"},
        {-1, 10, nullptr},
        {10, -1, nullptr},
    };
    for (const TCase& c : cases) {
        std::int64_t change = 0;
        const bool known = ChangeOf(c.Now, c.Then, change);
        EXPECT_EQ(known, c.Text != nullptr) << c.Now << " " << c.Then;
        if (known && c.Text) {
            EXPECT_EQ(ChangeText(change), c.Text) << c.Now << " " << c.Then;
        }
    }
}

}  // namespace
