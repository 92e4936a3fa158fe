// Names that end in "." or " ", which NTFS allows and the system's clean-up of a path would change:
// the listing reaches every folder by its own name, and vscan's totals and its CSV report count every
// file once, with its own size. Under Wine the tree is made through "\\?\" paths; natively the names
// are ordinary, and the same code paths must not mix them up either.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/DirList.h"
#include "platform/FsFixture.h"
#include "platform/OddNameTree.h"
#include "support/TestSupport.h"

namespace {

using vstest::kOddFiles;
using vstest::kOddFolders;

using TFileKey = std::tuple<std::string, std::string, std::int64_t>;  // folder, name, size

class OddNames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Tree.Made()); }

    // The folder's full path in the system's form.
    std::string Folder(const std::string& relative) const {
        std::string path = Tree.Dir.Utf8();
        if (relative.empty()) return path;
        path += SystemDirLister().Separator();
        for (char c : relative) path += c == '/' ? SystemDirLister().Separator() : c;
        return path;
    }
    // Every file of the tree once.
    std::multiset<TFileKey> Files() const {
        std::multiset<TFileKey> out;
        for (const auto& f : kOddFiles) out.insert({Folder(f.Folder), f.Name, f.Size});
        return out;
    }

    vstest::TOddNameTree Tree;
};

// The fields of one CSV record as the report writes it: each in double quotes, separated by commas.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < line.size() && line[at] == '"';) {
        std::size_t end = line.find('"', at + 1);
        if (end == std::string::npos) break;
        out.push_back(line.substr(at + 1, end - at - 1));
        at = end + 2;
    }
    return out;
}

}  // namespace

TEST_F(OddNames, ListingReadsEveryFolderByItsOwnName) {
    std::multiset<TFileKey> listed;
    for (const char* relative : {"", "sub", "sub.", "sub. ", "sub. /in."}) {
        const std::string folder = Folder(relative);
        std::vector<TDirItem> items;
        ASSERT_EQ(ListDir(folder, "*.*", items), TDirStatus::Ok) << folder;
        for (const TDirItem& item : items)
            if (!item.IsDirectory()) listed.insert({folder, item.Name, item.Size});
    }
    EXPECT_EQ(listed, Files());
    EXPECT_TRUE(SystemDirLister().FolderExists(Folder("sub. /in.")));
}

TEST_F(OddNames, VscanCountsEveryFileOnce) {
    std::string out;
    ASSERT_EQ(vstest::RunProgram(VS_VSCAN_EXE, {Tree.Dir.Utf8()}, out), 0) << out;
    std::int64_t total = 0;
    for (const auto& f : kOddFiles) total += f.Size;
    EXPECT_EQ(out.rfind("size=" + std::to_string(total) + " ", 0), 0u) << out;
    EXPECT_NE(out.find(" count=" + std::to_string(std::size(kOddFiles)) + " "), std::string::npos) << out;
    EXPECT_NE(out.find(" folders=" + std::to_string(std::size(kOddFolders) + 1) + " "), std::string::npos) << out;
}

TEST_F(OddNames, VscanCsvListsEveryFileOnceWithItsSize) {
    vstest::TTempDir outDir;
    const std::string csv = vstest::PathUtf8(outDir.Path() / "odd.csv");
    std::string out;
    ASSERT_EQ(vstest::RunProgram(VS_VSCAN_EXE, {"--csv", csv, Tree.Dir.Utf8()}, out), 0) << out;
    const std::string text = vstest::ReadFileText(vstest::Utf8Path(csv));
    // The file block follows the empty line; its header names the columns read here.
    std::size_t at = text.find("\r\n") + 2;
    std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << text;
    const std::vector<std::string> header = Fields(text.substr(at, end - at));
    auto column = [&](const char* name) { return std::find(header.begin(), header.end(), name) - header.begin(); };
    const auto name = column("Name"), size = column("Size"), folder = column("Folder");
    ASSERT_LT(static_cast<std::size_t>(folder), header.size()) << text;

    std::multiset<TFileKey> rows;
    for (at = end + 2; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::vector<std::string> f = Fields(text.substr(at, end - at));
        ASSERT_EQ(f.size(), header.size()) << text.substr(at, end - at);
        rows.insert({f[folder], f[name], std::stoll(f[size])});
    }
    EXPECT_EQ(rows, Files());
}
