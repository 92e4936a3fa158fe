// vscan's report options run as a user runs them: the program started with arguments, its exit status,
// standard error and the file it wrote (POSIX).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "reports/TreeWalker.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct TRun {
    int Status = -1;  // the exit status; -1 when it was killed after the time-out
    std::string Errors;
};

// Runs vscan in folder cwd with standard error caught in a file; as "nobody" when asked (and running as
// root, whose rights would read every folder). A run that takes longer than timeout is killed.
TRun RunVscan(const std::vector<std::string>& args, const fs::path& cwd, bool asNobody = false,
              std::chrono::seconds timeout = std::chrono::seconds(60)) {
    const fs::path errors = cwd / ".vscan-errors";
    const int errorFd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::vector<char*> argv{const_cast<char*>(VS_VSCAN)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(cwd.c_str()) != 0) ::_exit(120);
        if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(121);
        ::dup2(errorFd, 2);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(122);
    }
    ::close(errorFd);
    TRun run;
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            run.Errors = vstest::ReadFileText(errors);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Errors = vstest::ReadFileText(errors);
    fs::remove(errors);
    return run;
}

// The CSV's file block (after the empty line): the header record, then one record per file.
std::vector<std::string> FileRecords(const fs::path& csv) {
    std::string text = vstest::ReadFileText(csv);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    const auto blank = std::find(lines.begin(), lines.end(), "");
    return blank == lines.end() ? lines : std::vector<std::string>(blank + 1, lines.end());
}

class VscanReport : public ::testing::Test {
protected:
    vstest::TTempDir Dir;
    fs::path Tree, Out;
    void SetUp() override {
        Tree = Dir.Path() / "tree";
        Out = Dir.MakeDir("out");
        fs::permissions(Out, fs::perms::all);  // written by "nobody" too
        Dir.WriteFile("tree/a.txt", 3);
        Dir.WriteFile("tree/b.dat", 4);
        Dir.WriteFile("tree/open/c.txt", 7);
    }
};

// Targets that are no file are refused before anything is read, and nothing named "-" appears.
TEST_F(VscanReport, TargetsThatAreNoFileAreRefused) {
    ASSERT_EQ(::mkfifo((Out / "pipe").c_str(), 0666), 0);
    struct {
        std::string Target;
        std::string Message;
    } cases[] = {
        {"-", "give a file name"},
        {(Out / "pipe").string(), "a device or a pipe"},
        {"/dev/null", "a device or a pipe"},
        {Out.string(), "It is a folder"},
    };
    for (const auto& c : cases) {
        const TRun run = RunVscan({"--csv", c.Target, Tree.string()}, Out, false, std::chrono::seconds(20));
        EXPECT_EQ(run.Status, 1) << c.Target;
        EXPECT_NE(run.Errors.find(c.Message), std::string::npos) << c.Target << ": " << run.Errors;
    }
    EXPECT_FALSE(fs::exists(Out / "-"));
}

// --mask limits the report's files as it limits the totals; a relative folder is written absolute.
TEST_F(VscanReport, MaskAppliesAndRelativeFoldersResolve) {
    const TRun run = RunVscan({"--mask", "*.txt", "--csv", (Out / "r.csv").string(), "."}, Tree);
    ASSERT_EQ(run.Status, 0) << run.Errors;
    const std::vector<std::string> records = FileRecords(Out / "r.csv");
    ASSERT_EQ(records.size(), 3u);  // header, a.txt, c.txt
    EXPECT_EQ(records[1].rfind("\"a.txt\",\"3\"", 0), 0u) << records[1];
    EXPECT_NE(records[1].find(",\"" + Tree.string() + "\""), std::string::npos) << records[1];
    EXPECT_EQ(records[2].rfind("\"c.txt\",\"7\"", 0), 0u) << records[2];
}

// As a user who may not read everything: a folder that cannot be listed, and one whose names can be
// listed but not examined. The report keeps what it could read, writes no size it could not read, names
// both folders on standard error and exits with 2.
TEST_F(VscanReport, FoldersThatCannotBeReadAreNamedAndTheStatusIsTwo) {
    Dir.WriteFile("tree/locked/secret.txt", 9);
    Dir.WriteFile("tree/names/b.txt", 5);
    const bool root = ::geteuid() == 0;
    fs::permissions(Tree / "locked", fs::perms::none);
    fs::permissions(Tree / "names", root ? fs::perms::owner_all | fs::perms::others_read : fs::perms::owner_read);
    const TRun run = RunVscan({"--csv", (Out / "r.csv").string(), Tree.string()}, Out, root);
    fs::permissions(Tree / "locked", fs::perms::owner_all);
    fs::permissions(Tree / "names", fs::perms::owner_all);

    EXPECT_EQ(run.Status, 2) << run.Errors;
    for (const char* folder : {"locked", "names"})
        EXPECT_NE(run.Errors.find("could not read in full: " + (Tree / folder).string() + "\n"), std::string::npos)
            << run.Errors;
    std::string records;
    for (const std::string& r : FileRecords(Out / "r.csv")) records += r + "\n";
    EXPECT_NE(records.find("\"a.txt\",\"3\""), std::string::npos) << records;
    EXPECT_NE(records.find("\"c.txt\",\"7\""), std::string::npos) << records;
    EXPECT_NE(records.find("\"b.txt\",\"\","), std::string::npos) << records;  // listed, size unknown
    EXPECT_EQ(records.find("secret"), std::string::npos) << records;
}

// File names in bytes that are not UTF-8 keep the file valid UTF-8 and are counted on standard error.
TEST_F(VscanReport, NamesThatAreNotUtf8KeepTheFileValid) {
    Dir.WriteFile("tree/caf\xE9.txt", 1);
    Dir.WriteFile("tree/\xFF\xFE/x.txt", 1);
    const TRun run = RunVscan({"--csv", (Out / "r.csv").string(), Tree.string()}, Out);
    ASSERT_EQ(run.Status, 0) << run.Errors;
    EXPECT_NE(run.Errors.find("2 names are not valid UTF-8"), std::string::npos) << run.Errors;
    std::string text = vstest::ReadFileText(Out / "r.csv");
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);  // marked UTF-8 ...
    std::string repaired;
    EXPECT_FALSE(RepairUtf8(text, repaired));  // ... and it is
    EXPECT_NE(text.find("\"caf\xEF\xBF\xBD.txt\""), std::string::npos);
    EXPECT_NE(text.find("/\xEF\xBF\xBD\xEF\xBF\xBD\"\r\n"), std::string::npos);
}

}  // namespace
