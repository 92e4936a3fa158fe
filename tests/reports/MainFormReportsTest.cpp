// The four report commands in the real main window under Wine, and the /csv and /html switches of the
// program: what is asked, what is written, and what is shown when writing fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "platform/FsFixture.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "reports/HtmlReport_win.h"
#include "shell/FolderSize.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Gauge.h"
#include "ui/Graphics.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

const char* kQuestion = "This could take a while to render. Are you sure you want to proceed?";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        out.push_back(text.substr(from, at - from));
    return out;
}

std::string Record(const std::vector<std::string>& fields) {
    std::string r;
    for (std::size_t i = 0; i < fields.size(); ++i) r += (i ? ",\"" : "\"") + fields[i] + "\"";
    return r;
}

// The page without its date line, which changes from run to run.
std::string WithoutDate(std::string page) {
    const std::string open = "<P ALIGN=\"CENTER\" CLASS=\"date\">";
    const std::size_t at = page.find(open), end = page.find("</P>", at);
    if (at != std::string::npos && end != std::string::npos) page.erase(at + open.size(), end - at - open.size());
    return page;
}

class MainFormReports : public uitest::TMainFormTest {
protected:
    vstest::TTempDir Dir, Out;
    std::unique_ptr<uitest::TSaveDialogHook> FHook;
    int Dialogs = 0;
    std::string DialogTitle, DialogFilter, DialogExt;
    std::string Target;  // what the save dialog answers; empty: cancel
    std::vector<std::string> Opened;

    void SetUp() override {
        Dir.WriteFile("top.txt", 123);
        Dir.WriteFile("Tom & Jerry.txt", 7);
        Dir.WriteFile("sub\\inner.dat", 4000);
        Dir.WriteFile("sub\\deeper\\x.txt", 1);
        Dir.WriteFile(".profile", 5);
        ProgressForm = new TProgressForm(nullptr);
        ProgressForm->AfterConstruction();
        F = Application->CreateForm<TMainForm>();
        F->Params = {Dir.Utf8()};
        F->ShellOpen = [this](const std::string& path) { Opened.push_back(path); };
        F->Show();
        uitest::Pump();
        Target = Out.Utf8() + "\\report.csv";
        FHook = std::make_unique<uitest::TSaveDialogHook>([this](TSaveDialog& d) {
            ++Dialogs;
            DialogTitle = d.Title, DialogFilter = d.Filter, DialogExt = d.DefaultExt;
            EXPECT_TRUE(d.OverwritePrompt);
            EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));  // the walk is over
            if (Target.empty()) return false;
            d.FileName = Target;
            return true;
        });
        uitest::TakeBoxes();
        uitest::SetBoxAnswer(IDYES);
    }
    void TearDown() override {
        FHook.reset();
        uitest::SetBoxAnswer(IDOK);
        TMainFormTest::TearDown();
    }
    // The cached file count of the folder the next report counts.
    void SetCachedCount(std::int64_t count) {
        TFolderTotals totals;
        totals.Count = count;
        FolderSizeCache().Store(FolderSizeService().CacheKey(F->CurrentFolderPath()), "*.*", totals);
    }
    std::vector<std::string> Header() {
        std::vector<std::string> h;
        for (int c = 0; c < F->StShellListView1->ColumnCount(); ++c) h.push_back(F->StShellListView1->ColumnCaption(c));
        h.push_back("Folder");
        return h;
    }
    std::vector<std::string> VolumeRecords() {
        std::vector<std::string> out;
        TVolumeGrid grid = TMainForm::VolumeGridOf(F->VolumeList);
        for (std::size_t r = 0; !grid.empty() && r < grid[0].size(); ++r) {
            std::vector<std::string> fields;
            for (const auto& column : grid) fields.push_back(column[r]);
            out.push_back(Record(fields));
        }
        return out;
    }
    int Questions() {
        int n = 0;
        for (const auto& box : uitest::TakeBoxes()) {
            EXPECT_EQ(box.Text, kQuestion);
            EXPECT_EQ(box.Flags & (MB_YESNO | MB_ICONWARNING), unsigned(MB_YESNO | MB_ICONWARNING));
            ++n;
        }
        return n;
    }
};

TEST_F(MainFormReports, AllSubFoldersCsvHoldsTheVolumesAndEveryFileOfTheTree) {
    ASSERT_EQ(F->CurrentFolderPath().empty(), false);
    F->actPrintAllCsv->Execute();
    EXPECT_EQ(Questions(), 0);
    EXPECT_EQ(Dialogs, 1);
    EXPECT_EQ(DialogTitle, "Save Report");
    EXPECT_EQ(DialogFilter, "CSV files (*.csv)|*.csv|All files (*.*)|*.*");
    EXPECT_EQ(DialogExt, "csv");
    EXPECT_TRUE(Clipboard::HasBitmap());  // the chart picture is taken for CSV reports too
    const std::vector<std::string> lines = Lines(vstest::ReadFileText(vstest::Utf8Path(Target)));
    const std::vector<std::string> volumes = VolumeRecords();
    ASSERT_GE(volumes.size(), 2u);
    ASSERT_EQ(lines.size(), volumes.size() + 1 + 1 + 4);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + volumes.size()), volumes);
    EXPECT_EQ(lines[volumes.size()], "");
    EXPECT_EQ(lines[volumes.size() + 1], Record(Header()));
    // Every file once, .profile left out; raw sizes; the folder as walked.
    std::string files;
    for (std::size_t i = volumes.size() + 2; i < lines.size(); ++i) files += lines[i] + "\n";
    const std::string root = F->CurrentFolderPath();
    for (const auto& [name, size, folder] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"top.txt", "123", root},
             {"Tom & Jerry.txt", "7", root},
             {"inner.dat", "4000", root + "\\sub"},
             {"x.txt", "1", root + "\\sub\\deeper"}}) {
        EXPECT_NE(files.find("\"" + name + "\",\"" + size + "\""), std::string::npos) << name << "\n" << files;
        EXPECT_NE(files.find("\"" + folder + "\"\n"), std::string::npos) << folder << "\n" << files;
    }
    EXPECT_EQ(files.find(".profile"), std::string::npos);
}

// The report counts by the mask the list shows: a mask typed into the filter box counts only once it
// is entered.
TEST_F(MainFormReports, TheReportTakesTheMaskInForceNotTheTypedText) {
    HWND edit = ::FindWindowExW(F->FilterCombo->Handle(), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    ::SetFocus(edit);
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"*.dat"));
    const struct {
        bool Enter;
        bool TopListed;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Enter);
        if (c.Enter) uitest::PressKey(edit, VK_RETURN, 0, 13);
        uitest::Pump();
        F->actPrintAllCsv->Execute();
        const std::string text = vstest::ReadFileText(vstest::Utf8Path(Target));
        EXPECT_NE(text.find("\"inner.dat\""), std::string::npos);
        EXPECT_EQ(text.find("\"top.txt\"") != std::string::npos, c.TopListed);
    }
}

TEST_F(MainFormReports, CurrentFolderCsvCopiesTheListAsShown) {
    F->actPrintCsv->Execute();
    EXPECT_EQ(Questions(), 0);
    const std::vector<std::string> lines = Lines(vstest::ReadFileText(vstest::Utf8Path(Target)));
    const std::size_t v = VolumeRecords().size();
    ASSERT_EQ(lines.size(), v + 2 + static_cast<std::size_t>(F->StShellListView1->ItemCount()));
    for (int r = 0; r < F->StShellListView1->ItemCount(); ++r) {
        TStShellItem* item = F->StShellListView1->RowItem(r);
        std::vector<std::string> fields{item->DisplayName};
        fields.insert(fields.end(), item->ColumnTexts.begin(), item->ColumnTexts.end());
        fields.resize(Header().size() - 1);
        fields.push_back(F->CurrentFolderPath());
        EXPECT_EQ(lines[v + 2 + static_cast<std::size_t>(r)], Record(fields)) << r;
    }
}

TEST_F(MainFormReports, VirtualFolderRowsNameTheFolderByItsDisplayNameAndAreEquallyLong) {
    F->OpenDrives();
    uitest::Pump();
    ASSERT_EQ(F->CurrentFolderPath().rfind("::", 0), 0u) << F->CurrentFolderPath();
    ASSERT_GT(F->StShellListView1->ItemCount(), 0);
    F->actPrintCsv->Execute();
    const std::vector<std::string> lines = Lines(vstest::ReadFileText(vstest::Utf8Path(Target)));
    const std::size_t v = VolumeRecords().size();
    ASSERT_EQ(lines.size(), v + 2 + static_cast<std::size_t>(F->StShellListView1->ItemCount()));
    std::size_t fields = 0;
    for (std::size_t i = v + 2; i < lines.size(); ++i) {
        const std::string end = ",\"" + F->CurrentFolderName() + "\"";
        EXPECT_EQ(lines[i].substr(lines[i].size() - std::min(lines[i].size(), end.size())), end) << lines[i];
        const std::size_t n = static_cast<std::size_t>(std::count(lines[i].begin(), lines[i].end(), '"'));
        if (!fields) fields = n;
        EXPECT_EQ(n, fields) << lines[i];
    }
}

TEST_F(MainFormReports, SampleReportScreenshot) {
    VS_SCREENSHOT_ONLY();
    F->actPrintAll->Execute();
    ASSERT_EQ(Opened.size(), 1u);
    const fs::path page = vstest::Utf8Path(Opened[0]);
    const fs::path folder = vstest::ScreenshotPath("report-sample").replace_extension();
    fs::create_directories(folder);
    const std::string text = vstest::ReadFileText(page);
    const std::size_t src = text.find("<IMG SRC=\"") + 10;
    const std::string image = text.substr(src, text.find('"', src) - src);
    fs::copy_file(page, folder / "report.html", fs::copy_options::overwrite_existing);
    fs::copy_file(page.parent_path() / image, folder / image, fs::copy_options::overwrite_existing);
    EXPECT_TRUE(uitest::SaveWindowShot(F->Handle(), "report-mainwindow"));
}

TEST_F(MainFormReports, QuestionOnlyAboveTheThresholdsAndNoWritesNothing) {
    struct {
        TAction* Action;
        std::int64_t Count;
        bool Asks;
    } cases[] = {
        {F->actPrintAllCsv, 5000, false}, {F->actPrintAllCsv, 5001, true}, {F->actPrintAll, 500, false},
        {F->actPrintAll, 501, true},      {F->actPrintCsv, 100000, false}, {F->actPrint, 100000, false},
    };
    uitest::SetBoxAnswer(IDNO);
    Target.clear();  // cancel the save dialog
    for (const auto& c : cases) {
        SetCachedCount(c.Count);
        Dialogs = 0;
        Opened.clear();
        ::OpenClipboard(F->Handle()), ::EmptyClipboard(), ::CloseClipboard();
        c.Action->Execute();
        EXPECT_EQ(Questions(), c.Asks ? 1 : 0) << c.Action->Caption() << " " << c.Count;
        const bool html = c.Action == F->actPrint || c.Action == F->actPrintAll;
        // No: no dialog, no page; else the report goes on to its dialog or its page.
        EXPECT_EQ(Dialogs, !html && !c.Asks ? 1 : 0) << c.Action->Caption() << " " << c.Count;
        EXPECT_EQ(Opened.size(), html && !c.Asks ? 1u : 0u) << c.Action->Caption() << " " << c.Count;
        EXPECT_TRUE(Clipboard::HasBitmap()) << c.Action->Caption();  // the capture precedes the question
        EXPECT_EQ(ProgressForm->Gauge1->MaxValue(), static_cast<int>(c.Count));
        EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));
    }
    EXPECT_TRUE(fs::is_empty(Out.Path()));
}

TEST_F(MainFormReports, ConfirmedWalkShowsTheGaugeAndEndsInTheListingState) {
    SetCachedCount(6000);
    bool sawGauge = false;
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        d.FileName = Target;
        return true;
    });
    // The walker's status reaches the visible progress window while the gauge shows.
    F->actPrintAllCsv->Execute();
    sawGauge = ProgressForm->Gauge1->Progress() == 4;  // one step per file reported
    EXPECT_EQ(Questions(), 1);
    EXPECT_TRUE(sawGauge) << ProgressForm->Gauge1->Progress();
    EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));
    EXPECT_FALSE(ProgressForm->Gauge1->Visible());
    EXPECT_TRUE(fs::exists(vstest::Utf8Path(Target)));
}

TEST_F(MainFormReports, ASecondReportStartedDuringOneWaitsForItsEnd) {
    int depth = 0, deepest = 0, calls = 0;
    std::vector<std::string> targets = {Out.Utf8() + "\\first.csv", Out.Utf8() + "\\second.csv"};
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        ++depth, ++calls;
        deepest = std::max(deepest, depth);
        // The user starts another report while the first one is still open.
        if (calls == 1) F->actPrintCsv->Execute();
        d.FileName = targets.at(static_cast<std::size_t>(calls - 1));
        --depth;
        return true;
    });
    F->actPrintAllCsv->Execute();
    EXPECT_EQ(calls, 1);
    uitest::Pump(200);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(deepest, 1);
    // Each file holds its own report: all files of the tree, then the folder list's rows.
    const std::string first = vstest::ReadFileText(vstest::Utf8Path(targets[0])), second = vstest::ReadFileText(vstest::Utf8Path(targets[1]));
    EXPECT_NE(first.find("\"inner.dat\",\"4000\""), std::string::npos);
    EXPECT_EQ(second.find("inner.dat"), std::string::npos);
    EXPECT_NE(second.find("\"sub\""), std::string::npos);
}

TEST_F(MainFormReports, PanesHiddenLeaveTheirTablesOut) {
    F->actVolumes->Execute();
    F->actCharts->Execute();
    F->actExplorer->Execute();
    ASSERT_FALSE(F->actVolumes->Checked() || F->actCharts->Checked() || F->actExplorer->Checked());
    SetCachedCount(100000);
    F->actPrintAllCsv->Execute();
    EXPECT_EQ(Questions(), 0);  // no count taken without the explorer pane
    EXPECT_EQ(vstest::ReadFileText(vstest::Utf8Path(Target)), "\r\n");
    F->actPrintAll->Execute();
    EXPECT_EQ(Questions(), 0);
    ASSERT_EQ(Opened.size(), 1u);
    const std::string page = vstest::ReadFileText(vstest::Utf8Path(Opened[0]));
    EXPECT_EQ(page.find("<TABLE"), std::string::npos);
    EXPECT_EQ(page.find("<IMG"), std::string::npos);
    EXPECT_NE(page.find("Created by Voluscope v1.4.1.108</P></BODY></HTML>\r\n"), std::string::npos);
}

TEST_F(MainFormReports, HtmlReportPutsPageAndPictureSideBySideInTheTemporaryFolder) {
    F->actPrintAll->Execute();
    F->actPrintAll->Execute();
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_NE(Opened[0], Opened[1]);
    for (const std::string& path : Opened) {
        const fs::path page = vstest::Utf8Path(path);
        EXPECT_EQ(page.extension(), ".html");
        EXPECT_EQ(page.filename().string().rfind("du", 0), 0u);
        const std::string text = vstest::ReadFileText(page);
        const std::size_t src = text.find("<IMG SRC=\"");
        ASSERT_NE(src, std::string::npos);
        const std::string image = text.substr(src + 10, text.find('"', src + 10) - src - 10);
        EXPECT_EQ(image.find('\\'), std::string::npos);
        EXPECT_TRUE(fs::exists(page.parent_path() / image)) << image;
        EXPECT_NE(text.find(">Volumes</TD>"), std::string::npos);
        EXPECT_NE(text.find("<TD>Tom &amp; Jerry.txt</TD>"), std::string::npos);
        EXPECT_NE(text.find("Folder: " + F->CurrentFolderPath()), std::string::npos);
    }
}

TEST_F(MainFormReports, UnwritableCsvTargetIsReportedAndTheProgramGoesOn) {
    Target = Out.Utf8() + "\\no such folder\\report.csv";
    F->actPrintAllCsv->Execute();
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ(box.Text.rfind("There was an error creating the report file.\r\nCannot create file", 0), 0u) << box.Text;
    EXPECT_EQ(box.Flags & MB_ICONMASK, 0u);
    EXPECT_TRUE(fs::is_empty(Out.Path()));
    Target = Out.Utf8() + "\\report.csv";
    F->actPrintAllCsv->Execute();
    EXPECT_TRUE(fs::exists(vstest::Utf8Path(Target)));
}

// Temporary folders longer than the 128 characters a fixed buffer would take get their reserved names.
// One longer than the system's temporary-path limit (MAX_PATH) is the warning, and the current folder
// takes the names; nothing overflows.
TEST_F(MainFormReports, TemporaryNamesInFoldersOfAnyLength) {
    // Back to the earlier current folder even when an assertion ends the test early.
    uitest::TScopedCurrentDir here(Widen(Out.Utf8()));
    for (std::size_t length : {200u, 400u}) {
        std::string deep = Out.Utf8() + "\\t" + std::to_string(length);
        while (deep.size() < length) deep += "\\a folder with a long name";
        for (std::size_t at = Out.Utf8().size() + 1; at <= deep.size(); ++at)
            if (at == deep.size() || deep[at] == '\\')
                ::CreateDirectoryW((L"\\\\?\\" + Widen(deep.substr(0, at))).c_str(), nullptr);
        std::string first, second;
        bool ok;
        {
            uitest::TScopedEnv tmp(L"TMP", Widen(deep).c_str());
            ok = MakeTempFileName(first) && MakeTempFileName(second);
        }
        ASSERT_TRUE(ok) << length;
        EXPECT_NE(first, second);
        const auto boxes = uitest::TakeBoxes();
        const bool inDeep = first.rfind(deep + "\\du", 0) == 0;
        if (length < MAX_PATH) EXPECT_TRUE(inDeep) << first;
        if (!inDeep) {
            ASSERT_EQ(boxes.size(), 2u) << length;
            EXPECT_EQ(boxes[0].Text, "Can't find the Windows temp path!");
            EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, unsigned(MB_ICONWARNING));
        } else {
            EXPECT_TRUE(boxes.empty()) << length;
        }
        for (const std::string& name : {first, second}) {
            EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
            const std::string full = inDeep ? name : Out.Utf8() + "\\" + name;
            EXPECT_NE(::GetFileAttributesW((L"\\\\?\\" + Widen(full)).c_str()), INVALID_FILE_ATTRIBUTES) << full;
            ::DeleteFileW((L"\\\\?\\" + Widen(full)).c_str());
        }
    }
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + Widen(text) + L"\"";
}

using TArgs = std::vector<std::string>;

// The program run with a switch as a script runs it, without a display: started from the Unix side with
// DISPLAY unset (a Wine process passes its own Unix environment on to the programs it starts), in folder
// cwd (the test's own when empty). Gives the exit status, -2 when it had to be ended after timeout
// seconds, and what it wrote to standard error.
int RunProgram(const TArgs& args, std::string& errors, const std::string& cwd = {}, int timeout = 120) {
    static int runs = 0;
    const fs::path exe = vstest::Utf8Path(ExeFolder() + "..\\Voluscope.exe");
    const fs::path temp =
        fs::temp_directory_path() / ("vsrun-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++runs));
    fs::path done = temp, errorFile = temp;
    done += ".status", errorFile += ".errors";
    wchar_t loader[1024] = {}, here[1024] = {};
    ::GetEnvironmentVariableW(L"WINELOADER", loader, 1024);
    ::GetCurrentDirectoryW(1024, here);
    auto quote = [](const std::string& text) { return "'" + text + "'"; };
    std::string command = "cd " + quote(vstest::UnixPath(vstest::Utf8Path(cwd.empty() ? Narrow(here) : cwd))) +
                          " || exit\ntimeout -s KILL " + std::to_string(timeout) +
                          " env -u DISPLAY -u WAYLAND_DISPLAY " + quote(Narrow(loader)) + " " +
                          quote(vstest::UnixPath(exe));
    for (const std::string& a : args) command += " " + quote(a);
    command += " >/dev/null 2>" + quote(vstest::UnixPath(errorFile)) + "\necho $? >" +
               quote(vstest::UnixPath(done) + ".part") + " && mv " + quote(vstest::UnixPath(done) + ".part") + " " +
               quote(vstest::UnixPath(done)) + "\n";
    std::ofstream(temp, std::ios::binary) << command;
    if (!vstest::RunUnix(L"/bin/sh", Quoted(vstest::UnixPath(temp)))) return -1;
    for (int waited = 0; !fs::exists(done) && waited < (timeout + 20) * 1000; waited += 50) ::Sleep(50);
    errors = vstest::ReadFileText(errorFile);
    const std::string status = vstest::ReadFileText(done);
    std::error_code ec;
    for (const fs::path& f : {temp, done, errorFile}) fs::remove(f, ec);
    if (status.empty()) return -1;
    const int code = std::stoi(status);
    return code == 137 ? -2 : code;  // 128 + SIGKILL: ended by the time-out
}

std::string Joined(const TArgs& args) {
    std::string text;
    for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

// The description the registry holds for an extension (".ini"), read as the shell reads it: the
// extension's class, then the class's text. Empty when there is none.
std::string RegisteredDescription(const std::wstring& extension) {
    wchar_t cls[256] = {}, text[512] = {};
    LONG size = sizeof cls;
    if (::RegQueryValueW(HKEY_CLASSES_ROOT, extension.c_str(), cls, &size) != ERROR_SUCCESS || !cls[0]) return {};
    size = sizeof text;
    if (::RegQueryValueW(HKEY_CLASSES_ROOT, cls, text, &size) != ERROR_SUCCESS) return {};
    return Narrow(text);
}

// The fields of a CSV record written by the report (every field quoted, none holding a quote).
std::vector<std::string> Fields(const std::string& record) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < record.size();) {
        const std::size_t end = record.find('"', at + 1);
        out.push_back(record.substr(at + 1, end - at - 1));
        at = end + 2;
    }
    return out;
}

// The Type cell of each file of an all-sub-folders CSV report, by file name.
std::map<std::string, std::string> TypeCells(const std::string& csv) {
    const std::vector<std::string> lines = Lines(csv);
    std::map<std::string, std::string> types;
    const auto blank = std::find(lines.begin(), lines.end(), "");
    if (blank == lines.end() || blank + 1 == lines.end()) return types;
    const std::vector<std::string> header = Fields(*(blank + 1));
    const std::size_t type = static_cast<std::size_t>(std::find(header.begin(), header.end(), "Type") - header.begin());
    for (auto line = blank + 2; line != lines.end(); ++line) {
        const std::vector<std::string> fields = Fields(*line);
        if (type < fields.size()) types[fields[0]] = fields[type];
    }
    return types;
}

TEST_F(MainFormReports, SwitchesWriteWhatTheWindowWrites) {
    F->actPrintAllCsv->Execute();
    const std::string window = vstest::ReadFileText(vstest::Utf8Path(Target));
    Opened.clear();
    F->actCharts->Execute();  // the switches write no picture
    F->actPrintAll->Execute();
    ASSERT_EQ(Opened.size(), 1u);
    const std::string windowPage = vstest::ReadFileText(vstest::Utf8Path(Opened[0]));

    std::string errors;
    const std::string csv = Out.Utf8() + "\\switch.csv", html = Out.Utf8() + "\\switch.html";
    ASSERT_EQ(RunProgram({"/csv", csv, Dir.Utf8()}, errors), 0) << errors;
    EXPECT_EQ(vstest::ReadFileText(vstest::Utf8Path(csv)), window);
    ASSERT_EQ(RunProgram({"/HTML", html, Dir.Utf8()}, errors), 0) << errors;
    EXPECT_EQ(WithoutDate(vstest::ReadFileText(vstest::Utf8Path(html))), WithoutDate(windowPage));
}

// The Type cell holds the description the registry holds for the file's extension, in the window's
// report (whose list loaded the descriptions when it listed the folder) and in the switch's; such an
// all-ASCII report stays in the ANSI code page, without a byte-order mark.
TEST_F(MainFormReports, TypeCellsHoldTheRegisteredDescriptions) {
    std::map<std::string, std::string> expected{{"top.txt", RegisteredDescription(L".txt")}};
    for (const wchar_t* extension : {L".ini", L".rtf", L".wri", L".chm", L".msi", L".url"}) {
        const std::string text = RegisteredDescription(extension);
        if (text.empty()) continue;
        Dir.WriteFile("typed" + Narrow(extension), 5);
        expected["typed" + Narrow(extension)] = text;
    }
    ASSERT_GE(expected.size(), 3u);
    F->OpenFolder(Dir.Utf8());
    uitest::Pump();
    F->actPrintAllCsv->Execute();
    const std::string window = vstest::ReadFileText(vstest::Utf8Path(Target));
    std::string errors;
    const std::string csv = Out.Utf8() + "\\switch.csv";
    ASSERT_EQ(RunProgram({"/csv", csv, Dir.Utf8()}, errors), 0) << errors;
    const std::string switched = vstest::ReadFileText(vstest::Utf8Path(csv));
    for (const std::string* report : {&window, &switched}) {
        EXPECT_NE(report->rfind("\xEF\xBB\xBF", 0), 0u);
        std::map<std::string, std::string> cells = TypeCells(*report);
        for (const auto& [name, text] : expected) EXPECT_EQ(cells[name], text) << name;
    }
}

// The names in a folder, read from the listing alone (Wine's stat of a Unix pipe waits for a writer).
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    const TFindHandle find(::FindFirstFileW((folder / "*").wstring().c_str(), &data));
    if (find) do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(Narrow(name));
        } while (::FindNextFileW(find.Get(), &data));
    return names;
}

// A Unix pipe made and removed from the Unix side, as a target that nobody reads.
class TUnixPipe {
public:
    explicit TUnixPipe(const fs::path& path) : FPath(path), FUnix(vstest::UnixPath(path)) {
        vstest::RunUnix(L"/usr/bin/mkfifo", Quoted(FUnix));
        WaitUntil(true);
    }
    ~TUnixPipe() {
        vstest::RunUnix(L"/bin/rm", L"-f " + Quoted(FUnix));
        WaitUntil(false);
    }

private:
    fs::path FPath;
    std::string FUnix;
    void WaitUntil(bool there) {
        for (int i = 0; i < 200; ++i) {
            const std::vector<std::string> names = Names(FPath.parent_path());
            if ((std::find(names.begin(), names.end(), vstest::PathUtf8(FPath.filename())) != names.end()) == there)
                return;
            ::Sleep(50);
        }
    }
};

// Arguments the switches refuse: status 1 with the reason on standard error, nothing written and nothing
// waited for (a pipe as the target would wait for a reader for ever; the window never opens).
TEST_F(MainFormReports, SwitchesRefuseWhatTheyCannotWrite) {
    const TUnixPipe pipe(Out.Path() / "pipe");
    const std::string dir = Dir.Utf8();
    struct {
        TArgs Arguments;
        std::string Message;
    } cases[] = {
        {{"/csv", "r.csv", dir + "\\missing"}, "Invalid folder."},
        {{"/csv", "r.csv", dir + "\\top.txt"}, "Invalid folder."},  // a file is no folder
        {{"/csv", Out.Utf8() + "\\nope\\r.csv", dir}, "Cannot create file"},
        {{"/csv", "-", dir}, "give a file name"},
        {{"/csv", "pipe", dir}, "a device or a pipe"},
        {{"/html", "NUL", dir}, "a device or a pipe"},
        {{"/html", "onlyonefile"}, "usage"},
        {{"-csv"}, "usage"},
        {{"--HTML"}, "usage"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_EQ(RunProgram(c.Arguments, errors, Out.Utf8(), 30), 1) << Joined(c.Arguments);
        EXPECT_NE(errors.find(c.Message), std::string::npos) << Joined(c.Arguments) << ": " << errors;
    }
    EXPECT_EQ(Names(Out.Path()), std::vector<std::string>{"pipe"});
}

// Folders typed as a user types them: a Unix-style path (under Wine, from drive Z:, where the Unix root
// shows), "." for the current folder, a path with "..", and the switch with dashes. Each is walked and
// written as its absolute Windows path.
TEST_F(MainFormReports, SwitchesTakeTypedFolders) {
    // A folder outside the prefix, which Wine shows on drive Z: only.
    const std::string unixDir = "/tmp/vstest-typed-" + std::to_string(::GetCurrentProcessId());
    const fs::path zPath = vstest::Utf8Path("Z:" + unixDir);
    struct TRemove {
        fs::path Path;
        ~TRemove() {
            std::error_code ec;
            fs::remove_all(Path, ec);
        }
    } remove{zPath};
    fs::create_directories(zPath / "sub");
    std::ofstream(zPath / "top.txt") << std::string(123, 'x');
    std::ofstream(zPath / "sub" / "inner.dat") << "x";
    std::string zDir = vstest::PathUtf8(zPath);
    std::replace(zDir.begin(), zDir.end(), '/', '\\');
    const std::string csv = Out.Utf8() + "\\typed.csv";
    struct {
        TArgs Arguments;
        std::string Cwd;
        std::string Folder;
    } cases[] = {
        {{"/csv", csv, unixDir}, "C:\\", zDir},
        {{"-csv", csv, "."}, Dir.Utf8(), Dir.Utf8()},
        {{"--CSV", csv, Dir.Utf8() + "\\sub\\.."}, "", Dir.Utf8()},
    };
    for (const auto& c : cases) {
        std::string errors;
        ASSERT_EQ(RunProgram(c.Arguments, errors, c.Cwd), 0) << Joined(c.Arguments) << ": " << errors;
        const std::string text = vstest::ReadFileText(vstest::Utf8Path(csv));
        EXPECT_NE(text.find("\"top.txt\",\"123\""), std::string::npos) << Joined(c.Arguments);
        EXPECT_NE(text.find(",\"" + c.Folder + "\"\r\n"), std::string::npos) << Joined(c.Arguments) << "\n" << text;
        EXPECT_NE(text.find(",\"" + c.Folder + "\\sub\"\r\n"), std::string::npos) << Joined(c.Arguments);
    }
}

// A chain of folders made from the Unix side, deeper than Wine can open (its Unix paths end at 4,096
// bytes), removed the same way. Each level holds a file "f" of one byte.
class TUnixChain {
public:
    TUnixChain(const fs::path& parent, const fs::path& script) : FChain(parent / kName) {
        // Made through folder handles, so no path on the way grows past the system's limit.
        std::ofstream(script) << "import os\nfd = os.open('" << vstest::UnixPath(parent) << "', os.O_RDONLY)\n"
                              << "for i in range(24):\n"
                              << "    os.mkdir('" << kName << "', dir_fd=fd)\n"
                              << "    fd = os.open('" << kName << "', os.O_RDONLY, dir_fd=fd)\n"
                              << "    f = os.open('f', os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd)\n"
                              << "    os.write(f, b'x')\n"
                              << "    os.close(f)\n"
                              << "open('" << vstest::UnixPath(script) << ".done', 'w').close()\n";
        vstest::RunUnix(L"/usr/bin/python3", Quoted(vstest::UnixPath(script)));
        fs::path done = script;
        done += ".done";
        for (int i = 0; i < 200 && !fs::exists(done); ++i) ::Sleep(50);
        Made = fs::exists(done);
    }
    ~TUnixChain() {
        vstest::RunUnix(L"/bin/rm", L"-rf " + Quoted(vstest::UnixPath(FChain)));
        for (int i = 0; i < 200 && ::GetFileAttributesW(FChain.wstring().c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
            ::Sleep(50);
    }
    static inline const std::string kName = std::string(200, 'd');
    bool Made = false;

private:
    fs::path FChain;
};

// What the walk cannot read is reported: the switch writes what it could read, names the folder on
// standard error and exits with 2; the window warns after its report. Neither says nothing.
TEST_F(MainFormReports, FoldersThatCannotBeReadAreReported) {
    const TUnixChain chain(Dir.Path(), Out.Path() / "chain.py");
    ASSERT_TRUE(chain.Made);
    std::string errors;
    const std::string csv = Out.Utf8() + "\\deep.csv";
    EXPECT_EQ(RunProgram({"/csv", csv, Dir.Utf8()}, errors), 2) << errors;
    EXPECT_NE(errors.find("Voluscope: could not read in full: " + Dir.Utf8() + "\\" + TUnixChain::kName),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("Voluscope: the report is incomplete: 1 folder could not be read in full"), std::string::npos)
        << errors;
    const std::string text = vstest::ReadFileText(vstest::Utf8Path(csv));
    EXPECT_NE(text.find("\"top.txt\",\"123\""), std::string::npos);
    EXPECT_NE(text.find("\"f\",\"1\""), std::string::npos);  // the levels Wine could open

    uitest::TakeBoxes();
    F->actPrintAllCsv->Execute();
    const auto boxes = uitest::TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, unsigned(MB_ICONWARNING));
    EXPECT_EQ(boxes[0].Text.rfind("The report was created, but it is incomplete.\r\n\r\n1 folder could not be read "
                                  "completely",
                                  0),
              0u)
        << boxes[0].Text;
    EXPECT_NE(vstest::ReadFileText(vstest::Utf8Path(Target)).find("\"f\",\"1\""), std::string::npos);
}

}  // namespace
