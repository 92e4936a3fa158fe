// A report written over an earlier one, through vscan --csv as a user runs it: on a disk that fills up
// the earlier report stays whole and no temporary file is left; through a symbolic link the linked
// file is replaced whole, or not at all, and the link stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/FsFixture.h"
#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace fs = std::filesystem;

namespace {

// A folder where no more than 64 KiB fit: a small file system where one can be mounted, else (natively)
// a limit on the size of every file that the programs started by Run write, which fails their writes
// the way a full disk does.
class TSmallDisk {
public:
    explicit TSmallDisk(fs::path folder) : FFolder(std::move(folder)), FMounted(vstest::MountSmallDisk(FFolder, 64)) {}
    ~TSmallDisk() {
        if (FMounted) vstest::UnmountSmallDisk(FFolder);
    }
    bool Ready() const {
#ifdef _WIN32
        return FMounted;
#else
        return true;
#endif
    }
    int Run(const std::vector<std::string>& args, std::string& output) const {
#ifndef _WIN32
        if (!FMounted) {
            struct rlimit old;
            ::getrlimit(RLIMIT_FSIZE, &old);
            struct rlimit limit = old;
            limit.rlim_cur = 64 * 1024;
            auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const int status = vstest::RunProgram(VS_VSCAN_EXE, args, output);
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
            return status;
        }
#endif
        return vstest::RunProgram(VS_VSCAN_EXE, args, output);
    }

private:
    fs::path FFolder;
    bool FMounted;
};

class ReplacedReport : public ::testing::Test {
protected:
    void SetUp() override {
        Small.WriteFile("one.txt", 10);
        Other.WriteFile("two.txt", 20);
        // Longer than the whole disk as a report: 700 rows with the folder's path in each.
        for (int i = 0; i < 700; ++i) Big.WriteFile("a-file-with-a-longer-name-" + std::to_string(i) + ".txt", 0);
    }
    static std::vector<std::string> Csv(const fs::path& target, const vstest::TTempDir& tree) {
        return {"--csv", vstest::PathUtf8(target), tree.Utf8()};
    }
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(Folder.Path())) out.insert(vstest::PathUtf8(e.path().filename()));
        return out;
    }

    vstest::TTempDir Small, Other, Big, Folder;
    std::string Out;
};

}  // namespace

TEST_F(ReplacedReport, FullDiskLeavesTheEarlierReportWhole) {
    TSmallDisk disk(Folder.Path());
    if (!disk.Ready()) GTEST_SKIP() << "no small disk here";
    const fs::path target = Folder.Path() / "report.csv";
    ASSERT_EQ(disk.Run(Csv(target, Small), Out), 0) << Out;
    const std::string before = vstest::ReadFileText(target);
    ASSERT_NE(before.find("one.txt"), std::string::npos);

    EXPECT_EQ(disk.Run(Csv(target, Big), Out), 1);
    EXPECT_NE(Out.find("Error writing file \"" + vstest::PathUtf8(target) + "\". "), std::string::npos) << Out;
    EXPECT_TRUE(vstest::ReadFileText(target) == before) << "the earlier report changed";
    EXPECT_EQ(Names(), (std::set<std::string>{"report.csv"}));

    // The disk has its room back: the next report replaces the earlier one.
    ASSERT_EQ(disk.Run(Csv(target, Other), Out), 0) << Out;
    EXPECT_NE(vstest::ReadFileText(target).find("two.txt"), std::string::npos);
    EXPECT_EQ(Names(), (std::set<std::string>{"report.csv"}));
}

TEST_F(ReplacedReport, LinkedFileIsReplacedWholeOrNotAtAll) {
    TSmallDisk disk(Folder.Path());
    if (!disk.Ready()) GTEST_SKIP() << "no small disk here";
    const fs::path linked = Folder.Path() / "linked.csv", link = Folder.Path() / "link.csv";
    ASSERT_EQ(disk.Run(Csv(linked, Small), Out), 0) << Out;
    if (!vstest::MakeFileLink(link, linked)) GTEST_SKIP() << "no symbolic links here";
    const std::string before = vstest::ReadFileText(linked);

    EXPECT_EQ(disk.Run(Csv(link, Big), Out), 1);
    EXPECT_TRUE(vstest::ReadFileText(linked) == before) << "the linked file changed";
    EXPECT_EQ(Names(), (std::set<std::string>{"link.csv", "linked.csv"}));

    // A whole report goes into the linked file: the link still leads there.
    ASSERT_EQ(disk.Run(Csv(link, Other), Out), 0) << Out;
    const std::string after = vstest::ReadFileText(linked);
    EXPECT_NE(after.find("two.txt"), std::string::npos);
    EXPECT_TRUE(vstest::ReadFileText(link) == after);
    EXPECT_EQ(Names(), (std::set<std::string>{"link.csv", "linked.csv"}));
}
