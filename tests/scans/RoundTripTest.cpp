// Saved scans through ncdu and gdu themselves (POSIX): our export read by them gives our totals, and
// theirs read by us gives the totals of our own walk, for a tree with links to a file and to a folder, a
// file with two hard links in different folders (counted once), names that need escaping and, where the programs can be
// run without root's rights, an unreadable folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class ScansRoundTrip : public ::testing::Test {
protected:
    vstest::TTempDir FDir;
    fs::path FTree;
    bool FAsNobody = false;  // root reads every folder: the programs then run as "nobody"

    void SetUp() override {
        FTree = FDir.Path() / "tree";
        FDir.WriteFile("tree/top.bin", 5000);
        FDir.WriteFile("tree/a/one.txt", 10);
        FDir.WriteFile("tree/a/b/quo\"te\\back.txt", 333);
        FDir.WriteFile("tree/a/b/\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.doc", 70000);
        FDir.WriteFile("tree/denied/hidden.bin", 4444);
        FDir.MakeDir("tree/empty");
        FDir.WriteFile("tree/a/b/shared.bin", 20000);
        fs::create_hard_link(FTree / "a" / "b" / "shared.bin", FTree / "empty" / "shared again.bin");
        fs::create_symlink("../top.bin", FTree / "a" / "filelink");
        fs::create_directory_symlink("a", FTree / "dirlink");
        fs::permissions(FDir.Path(), fs::perms::all);
        for (auto& e : fs::recursive_directory_iterator(FTree))
            if (!e.is_symlink())
                fs::permissions(e.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec);
        FDir.MakeDir("out");
        fs::permissions(FDir.Path() / "out", fs::perms::all);  // the programs write their files here
        fs::permissions(FTree / "denied", fs::perms::none);
        FAsNobody = ::geteuid() == 0;
    }
    void TearDown() override { fs::permissions(FTree / "denied", fs::perms::owner_all); }

    // Runs a shell command line (as nobody when root) and gives its standard output; status in status.
    std::string Run(const std::string& command, int& status) {
        const std::string line =
            (FAsNobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c " + Quote(command) : command) +
            " 2>/dev/null";
        std::string out;
        FILE* pipe = ::popen(line.c_str(), "r");
        if (!pipe) return out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        const int rc = ::pclose(pipe);
        status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        return out;
    }
    std::string Run(const std::string& command) {
        int status = 0;
        return Run(command, status);
    }
    // The "size=... count=..." figures of vscan's line.
    static long long Figure(const std::string& line, const std::string& name) {
        const std::size_t at = line.find(name + "=");
        return at == std::string::npos ? -1 : std::stoll(line.substr(at + name.size() + 1));
    }
    std::string Vscan() const { return Quote(VS_VSCAN); }
    std::string In(const std::string& name) const { return Quote(vstest::PathUtf8(FDir.Path() / "out" / name)); }
};

TEST_F(ScansRoundTrip, TotalsAgreeThroughNcduAndGdu) {
    const std::string tree = Quote(vstest::PathUtf8(FTree));
    int status = -1;
    const std::string walked = Run(Vscan() + " " + tree, status);
    const long long size = Figure(walked, "size"), count = Figure(walked, "count");
    // The denied folder is not read, links count 0, the hard-linked file once.
    ASSERT_EQ(size, 5000 + 10 + 333 + 70000 + 20000) << walked;
    ASSERT_EQ(count, 6) << walked;  // five files and the link to a file (a link to a folder is no file)
    EXPECT_EQ(status, 2) << "the denied folder makes the walk partial";

    // Ours, read back by us, by ncdu (re-exported with -o) and by gdu (non-interactive total).
    Run(Vscan() + " --json " + In("ours.json") + " " + tree, status);
    EXPECT_EQ(status, 2);
    const std::string text = vstest::ReadFileText(FDir.Path() / "out" / "ours.json");
    // The saved scan against the folder on disk: nothing changed.
    const std::string same = Run(Vscan() + " --diff " + In("ours.json") + " " + tree, status);
    EXPECT_NE(same.find("change: +0 bytes, +0 files\nlargest additions:\n  (none)\nlargest removals:\n  (none)\n"),
              std::string::npos)
        << same;
    EXPECT_NE(text.find("[{\"name\":\"denied\",\"read_error\":true}]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"hlnkc\":true,\"nlink\":2}"), std::string::npos) << text;
    for (const std::string& file : {std::string("ours.json"), std::string("ours.json.gz")}) {
        if (file != "ours.json") Run(Vscan() + " --json " + In(file) + " " + tree);
        const std::string back = Run(Vscan() + " --import " + In(file));
        EXPECT_EQ(Figure(back, "size"), size) << file << ": " << back;
        EXPECT_EQ(Figure(back, "count"), count) << file << ": " << back;
        // Neither program reads gzip itself: gzip (checking our stream) hands them the text.
        const std::string feed = file == "ours.json" ? In(file) : In("unzipped.json");
        if (file != "ours.json") Run("gzip -dc " + In(file) + " > " + feed);
        Run("ncdu --ignore-config -f " + feed + " -o " + In("ncdu-of-ours.json"));
        const std::string viaNcdu = Run(Vscan() + " --import " + In("ncdu-of-ours.json"));
        EXPECT_EQ(Figure(viaNcdu, "size"), size) << file << ": " << viaNcdu;
        EXPECT_EQ(Figure(viaNcdu, "count"), count) << file << ": " << viaNcdu;
        const std::string ncduText = vstest::ReadFileText(FDir.Path() / "out" / "ncdu-of-ours.json");
        EXPECT_NE(ncduText.find("\"read_error\":true"), std::string::npos) << ncduText;
        // gdu gives every folder it imports 4096 bytes of its own: five folders (the root, a, a/b,
        // denied, empty).
        const std::string viaGdu = Run("gdu -f " + feed + " -n -p --no-prefix -a -s");
        EXPECT_EQ(std::atoll(viaGdu.c_str()), size + 5 * 4096) << file << ": " << viaGdu;
    }

    // Kept in the user's history twice: both are there, and the second reads back as the folder.
    const std::string history = "XDG_DATA_HOME=" + Quote(vstest::PathUtf8(FDir.Path() / "out")) + " ";
    Run(history + Vscan() + " --history " + tree);
    const std::string kept = Run(history + Vscan() + " --history " + tree);
    ASSERT_EQ(std::count(kept.begin(), kept.end(), '\n'), 2) << kept;
    const std::string newest = kept.substr(kept.find(' ', kept.find('\n')) + 1);
    const std::string back = Run(Vscan() + " --import " + Quote(newest.substr(0, newest.size() - 1)));
    EXPECT_EQ(Figure(back, "size"), size) << kept << back;
    EXPECT_NE(newest.find("/out/voluscope/scans/"), std::string::npos) << newest;

    // Theirs, read by us: the totals of our own walk.
    Run("ncdu --ignore-config -o " + In("ncdu.json") + " " + tree);
    Run("gdu -n -p -o " + In("gdu.json") + " " + tree);
    for (const std::string& file : {std::string("ncdu.json"), std::string("gdu.json")}) {
        const std::string back = Run(Vscan() + " --import " + In(file), status);
        EXPECT_EQ(status, 0) << file << ": " << back;
        // gdu's export keys only the later names of a hard-linked file, so no reader can tell which name
        // the first one is: gdu reading its own export counts the file twice, and so do we.
        const int twice = file == "gdu.json" ? 1 : 0;
        EXPECT_EQ(Figure(back, "size"), size + twice * 20000) << file << ": " << back;
        // Their format cannot tell a link to a folder from one to a file: both are "notreg" entries, read
        // as links to files, which count as files (of 0 bytes).
        EXPECT_EQ(Figure(back, "count"), count + 1 + twice) << file << ": " << back;
    }
}

}  // namespace
