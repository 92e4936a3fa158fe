// The rows a folder of a saved scan gives, read from the text ncdu writes, and the paths they carry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scans/ScanFile.h"
#include "shell/ScanFolderRows.h"

namespace {

// As `ncdu -o` writes it: a folder is an array led by its info object; links are notreg, a folder not
// entered is excluded, a folder not read in full has read_error.
const char* const kExport = R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":1700000000},
[{"name":"/data","asize":4096,"dsize":4096},
 {"name":"top.txt","asize":100,"dsize":4096,"mtime":1600000000},
 {"name":"b.log","asize":7,"dsize":4096},
 [{"name":"sub","asize":4096,"dsize":4096,"mtime":1650000000},
  {"name":"x.txt","asize":10,"dsize":4096},
  {"name":"y.bin","asize":20,"dsize":8192},
  [{"name":"deep"},{"name":"z.txt","asize":30,"dsize":4096}]],
 [{"name":"locked","read_error":true},{"name":"part.txt","asize":5,"dsize":4096}],
 {"name":"mnt","excluded":"otherfs"},
 [{"name":"empty"}]]])";

struct TRowCase {
    std::string Mask;
    std::vector<std::string> Names;  // in order
    std::vector<std::int64_t> Sizes, Allocated, Files;
};

TEST(ScanFolderRows, FoldersWithTheirTreesTotalsForTheMaskThenEveryFile) {
    const TImportedScan scan = ImportScanBytes(kExport, "t.json");
    const TRowCase cases[] = {
        {"*.*",
         {"sub", "locked", "mnt", "empty", "top.txt", "b.log"},
         {60, 5, 0, 0, 100, 7},
         {16384, 4096, 0, 0, 4096, 4096},
         {3, 1, 0, 0, -1, -1}},
        // Folder totals follow the mask; the files are all rows (the list filters them).
        {"*.txt",
         {"sub", "locked", "mnt", "empty", "top.txt", "b.log"},
         {40, 5, 0, 0, 100, 7},
         {8192, 4096, 0, 0, 4096, 4096},
         {2, 1, 0, 0, -1, -1}},
        {"",
         {"sub", "locked", "mnt", "empty", "top.txt", "b.log"},
         {0, 0, 0, 0, 100, 7},
         {0, 0, 0, 0, 4096, 4096},
         {0, 0, 0, 0, -1, -1}},
    };
    for (const TRowCase& c : cases) {
        SCOPED_TRACE(c.Mask);
        const TScanReader reader(*scan.Tree);
        const std::vector<TScanRow> rows = ScanFolderRows(reader, scan.Root, c.Mask);
        ASSERT_EQ(rows.size(), c.Names.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(c.Names[i]);
            EXPECT_EQ(rows[i].Name, c.Names[i]);
            EXPECT_EQ(rows[i].Size, c.Sizes[i]);
            EXPECT_EQ(rows[i].Allocated, c.Allocated[i]);
            EXPECT_EQ(rows[i].Files, c.Files[i]);
            EXPECT_EQ(rows[i].IsFolder, i < 4);
        }
    }
}

TEST(ScanFolderRows, LinksStayUnenteredAndPartialFoldersSaySo) {
    const TImportedScan scan = ImportScanBytes(kExport, "t.json");
    const TScanReader reader(*scan.Tree);
    const std::vector<TScanRow> rows = ScanFolderRows(reader, scan.Root, "*");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_FALSE(rows[0].Partial);
    EXPECT_TRUE(rows[1].Partial);
    EXPECT_TRUE(rows[2].IsLink);
    EXPECT_FALSE(rows[2].Ref);
    EXPECT_EQ(rows[4].LastWriteTime, 1600000000LL * 10000000 + 116444736000000000LL);
    // The sub-folder's own rows come from its ref.
    const std::vector<TScanRow> sub = ScanFolderRows(reader, rows[0].Ref, "*");
    ASSERT_EQ(sub.size(), 3u);
    EXPECT_EQ(sub[0].Name, "deep");
    EXPECT_EQ(sub[0].Size, 30);
    EXPECT_EQ(sub[1].Name, "x.txt");
    EXPECT_TRUE(ScanFolderRows(reader, rows[2].Ref, "*").empty());
}

TEST(ScanFolderRows, PathsOfEntriesAndParents) {
    struct TCase {
        std::string Path;
        char Separator;
        std::string Child, Parent;
    } cases[] = {
        {"/data", '/', "/data/n", "/"},
        {"/", '/', "/n", "/"},
        {"/data/sub", '/', "/data/sub/n", "/data"},
        {"C:\\", '\\', "C:\\n", "C:\\"},
        {"C:\\a", '\\', "C:\\a\\n", "C:\\"},
        {"C:\\a\\b", '\\', "C:\\a\\b\\n", "C:\\a"},
        {"\\\\srv\\share\\a", '\\', "\\\\srv\\share\\a\\n", "\\\\srv\\share"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(ScanChildPath(c.Path, "n", c.Separator), c.Child);
        EXPECT_EQ(ScanParentPath(c.Path, c.Separator), c.Parent);
    }
}

}  // namespace
