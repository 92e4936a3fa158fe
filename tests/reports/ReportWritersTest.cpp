// The HTML page and the CSV file: byte for byte against golden files, escaping, encodings, failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "platform/Exception.h"
#include "platform/FsFixture.h"
#include "reports/FolderReport.h"
#include "reports/ReportWriters.h"
#include "reports/ReportTestTables.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using vstest::ReportCases;
using vstest::TTempDir;

namespace {

fs::path Golden(const std::string& name) { return vstest::Utf8Path(VS_REPORTS_GOLDEN_DIR) / name; }

// With VS_UPDATE_GOLDEN=1 the files are written afresh (then read them through before committing);
// nothing is compared then, so the test counts as skipped, not passed. The skip only leaves this
// helper, so the test's later calls still rewrite their files.
void ExpectGolden(const fs::path& made, const std::string& name) {
    const std::string got = vstest::ReadFileText(made);
    if (const char* u = std::getenv("VS_UPDATE_GOLDEN"); u && *u == '1') {
        std::ofstream(Golden(name), std::ios::binary) << got;
        GTEST_SKIP() << "golden file rewritten: " << name;
    }
    ASSERT_TRUE(fs::exists(Golden(name))) << name;
    EXPECT_EQ(got, vstest::ReadFileText(Golden(name))) << name;
}

class ReportGolden : public ::testing::TestWithParam<int> {};

TEST_P(ReportGolden, PageAndCsvEqualTheGoldenFiles) {
    const auto c = ReportCases()[static_cast<std::size_t>(GetParam())];
    TTempDir temp;
    const std::string page = temp.Utf8() + "/page.html", csv = temp.Utf8() + "/table.csv";
    WriteHtmlPage(page, c.Grid, c.Image, vstest::kGoldenCaption, c.FileRows(), vstest::kGoldenDate,
                  vstest::kGoldenVersion);
    WriteCsvReport(csv, c.Grid, c.FileRows());
    ExpectGolden(vstest::Utf8Path(page), c.Name + ".html");
    ExpectGolden(vstest::Utf8Path(csv), c.Name + ".csv");
}
INSTANTIATE_TEST_SUITE_P(Cases, ReportGolden, ::testing::Range(0, static_cast<int>(ReportCases().size())),
                         [](const auto& info) { return ReportCases()[static_cast<std::size_t>(info.param)].Name; });

// What the page and the file say for each case, read as a user's tools read it.
TEST(ReportFiles, StructureAsTheLayoutGivesIt) {
    TTempDir temp;
    auto make = [&](const vstest::TReportCase& c) {
        const std::string page = temp.Utf8() + "/" + c.Name + ".html";
        WriteHtmlPage(page, c.Grid, c.Image, "X", c.FileRows(), "D", "");
        return vstest::ReadFileText(vstest::Utf8Path(page));
    };
    auto cases = ReportCases();
    const std::string empty = make(cases[1]), volumesChart = make(cases[2]), chartRows = make(cases[3]),
                      full = make(cases[0]);
    // No tables: head, title, date line, footer with an empty version, end; no separators.
    EXPECT_EQ(empty.find("<HR"), empty.find("<BR><HR><P CLASS=\"date\">") + 4);
    EXPECT_NE(empty.find("Created by Voluscope v</P></BODY></HTML>\r\n"), std::string::npos);
    EXPECT_EQ(empty.find("\r\n"), empty.size() - 2);  // one line
    // Volumes and chart, no rows: the half rule before the picture, no full rule before a table.
    EXPECT_NE(volumesChart.find("</TABLE><BR><HR WIDTH=\"50%\"><BR><P ALIGN=\"CENTER\" CLASS=\"heading\">Folder: X"),
              std::string::npos);
    EXPECT_EQ(volumesChart.find("<BR><HR><BR>"), std::string::npos);
    // Chart and rows, no volumes: the picture follows the date line, a full rule before the file table.
    EXPECT_NE(chartRows.find("</P><BR><P ALIGN=\"CENTER\" CLASS=\"heading\">Folder: X<BR><IMG SRC=\"du4D.jpg\""),
              std::string::npos);
    EXPECT_NE(chartRows.find("\"></P><BR><HR><BR><TABLE"), std::string::npos);
    // A seven-cell header spans seven columns; the volume table spans its three.
    EXPECT_NE(full.find("<TD COLSPAN=\"7\">Folder: X</TD>"), std::string::npos);
    EXPECT_NE(full.find("<TD COLSPAN=\"3\">Volumes</TD>"), std::string::npos);
}

TEST(ReportFiles, MarkupInTextsIsShownNotRun) {
    TTempDir temp;
    TFileRows rows;
    rows.Add({"Name", "Type"});
    rows.Add({"Tom &amp; Jerry.txt", "<img src=x onerror=alert(1)>\"'"});
    const std::string page = temp.Utf8() + "/p.html";
    WriteHtmlPage(page, {{"<b>", "a&b"}}, "q\"x.jpg", "<i>C:\\</i>", rows, "d", "1");
    const std::string text = vstest::ReadFileText(vstest::Utf8Path(page));
    EXPECT_NE(text.find("<TD>Tom &amp;amp; Jerry.txt</TD>"), std::string::npos);
    EXPECT_NE(text.find("<TD>&lt;img src=x onerror=alert(1)&gt;&quot;'</TD>"), std::string::npos);
    EXPECT_NE(text.find("<TD>&lt;b&gt;</TD>"), std::string::npos);
    EXPECT_NE(text.find("<TD>a&amp;b</TD>"), std::string::npos);
    EXPECT_NE(text.find("Folder: &lt;i&gt;C:\\&lt;/i&gt;"), std::string::npos);
    EXPECT_NE(text.find("<IMG SRC=\"q&quot;x.jpg\""), std::string::npos);
    EXPECT_EQ(text.find("<img"), std::string::npos);
}

TEST(ReportFiles, CsvQuotesEveryFieldAndDoublesInnerQuotes) {
    TTempDir temp;
    TFileRows rows;
    rows.Add({"a\"b", "\"", "", "x,y", "=1+2", "line\r\nbreak"});
    const std::string csv = temp.Utf8() + "/t.csv";
    WriteCsvReport(csv, {}, rows);
    EXPECT_EQ(vstest::ReadFileText(vstest::Utf8Path(csv)), "\r\n\"a\"\"b\",\"\"\"\",\"\",\"x,y\",\"=1+2\",\"line\r\nbreak\"\r\n");
}

TEST(ReportFiles, AnsiWhenEverythingFitsElseUtf8WithBom) {
    TTempDir temp;
    struct {
        const char* Text;
        std::string Bytes;  // the text as written
        bool Utf8;
    } cases[] = {
        {"plain.txt", "plain.txt", false},
        {"caf\xC3\xA9 \xE2\x82\xAC.txt", "caf\xE9 \x80.txt", false},            // Windows-1252
        {"\xD0\x96\xD1\x83\xD0\xBA.txt", "\xD0\x96\xD1\x83\xD0\xBA.txt", true},  // Cyrillic: UTF-8
        {"bad\xFF.txt", "bad\xFF.txt", true},  // not UTF-8 at all: kept byte for byte
    };
    for (const auto& c : cases) {
        TFileRows rows;
        rows.Add({"Name"});
        rows.Add({c.Text});
        const std::string csv = temp.Utf8() + "/e.csv", page = temp.Utf8() + "/e.html";
        WriteCsvReport(csv, {{"Volume", "caf\xC3\xA9"}}, rows);
        WriteHtmlPage(page, {}, "", "", rows, "", "");
        const std::string csvText = vstest::ReadFileText(vstest::Utf8Path(csv)), pageText = vstest::ReadFileText(vstest::Utf8Path(page));
        const std::string bom = "\xEF\xBB\xBF";
        EXPECT_EQ(csvText.rfind(bom, 0) == 0, c.Utf8) << c.Text;
        EXPECT_EQ(pageText.rfind(bom, 0) == 0, c.Utf8) << c.Text;
        EXPECT_EQ(pageText.find("charset=UTF-8") != std::string::npos, c.Utf8) << c.Text;
        EXPECT_NE(csvText.find("\"" + c.Bytes + "\""), std::string::npos) << c.Text;
        EXPECT_NE(csvText.find(c.Utf8 ? "\"caf\xC3\xA9\"" : "\"caf\xE9\""), std::string::npos) << c.Text;
        EXPECT_NE(pageText.find("<TD>" + c.Bytes + "</TD>"), std::string::npos) << c.Text;
    }
}

TEST(ReportFiles, UnwritableTargetRaisesAndLeavesNothing) {
    TTempDir temp;
    TFileRows rows;
    rows.Add({"Name"});
    const fs::path missing = temp.Path() / "no such folder" / "r.csv";
    const fs::path folder = temp.MakeDir("a folder");
    for (const fs::path& target : {missing, folder}) {
        try {
            WriteCsvReport(vstest::PathUtf8(target), {}, rows);
            ADD_FAILURE() << "no failure for " << target;
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot create file \"" + vstest::PathUtf8(target) + "\". "),
                      std::string::npos)
                << e.what();
        }
        EXPECT_THROW(WriteHtmlPage(vstest::PathUtf8(target), {}, "", "", rows, "", ""), Exception);
    }
    EXPECT_FALSE(fs::exists(missing.parent_path()));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(ReportFiles, ExistingFileIsReplaced) {
    TTempDir temp;
    const fs::path file = temp.WriteFile("old.csv", 100000);
    WriteCsvReport(vstest::PathUtf8(file), {}, {});
    EXPECT_EQ(vstest::ReadFileText(file), "\r\n");
}

#ifndef _WIN32
// A write that fails halfway (here the file-size limit, as a full disk would) removes the partial file.
TEST(ReportFiles, FailedWriteLeavesNoPartialFile) {
    TTempDir temp;
    TFileRows rows;
    for (int i = 0; i < 20000; ++i) rows.Add({"some file name.txt", "12345", "C:\\folder"});
    const fs::path file = temp.Path() / "big.csv";
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit limit = old;
    limit.rlim_cur = 100000;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::string message;
    try {
        WriteCsvReport(vstest::PathUtf8(file), {}, rows);
    } catch (const Exception& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find("Error writing file"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(file));
}

// Python's csv module and html.parser read the golden files back: every field and every cell whole and
// unchanged, formula-like fields included, and no markup from the texts.
TEST(ReportFiles, GoldenFilesParseWithStandardReaders) {
    if (std::system("python3 --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string command =
        std::string("python3 '") + VS_REPORTS_TEST_DIR + "/check_golden.py' '" + VS_REPORTS_GOLDEN_DIR + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}
#endif

}  // namespace
