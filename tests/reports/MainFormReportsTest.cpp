// The four report commands in the real main window under Wine, and the /csv and /html switches of the
// program: what is asked, what is written, and what is shown when writing fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
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

// The program run with a switch, its standard error read through a pipe.
int RunProgram(const std::wstring& arguments, std::string& errors) {
    const std::wstring exe = Widen(ExeFolder()) + L"..\\Voluscope.exe";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &sa, 0)) return -1;
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = write;
    si.hStdOutput = write;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(read), ::CloseHandle(write);
        return -1;
    }
    ::CloseHandle(write);
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n) errors.append(buffer, n);
    ::WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 1234;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread), ::CloseHandle(pi.hProcess), ::CloseHandle(read);
    return static_cast<int>(code);
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
    ASSERT_EQ(RunProgram(L"/csv \"" + Widen(csv) + L"\" \"" + Widen(Dir.Utf8()) + L"\"", errors), 0) << errors;
    EXPECT_EQ(vstest::ReadFileText(vstest::Utf8Path(csv)), window);
    ASSERT_EQ(RunProgram(L"/HTML \"" + Widen(html) + L"\" \"" + Widen(Dir.Utf8()) + L"\"", errors), 0) << errors;
    EXPECT_EQ(WithoutDate(vstest::ReadFileText(vstest::Utf8Path(html))), WithoutDate(windowPage));
}

TEST_F(MainFormReports, SwitchWithAMissingFolderFailsWithStatusOne) {
    struct {
        std::wstring Arguments;
        std::string Message;
    } cases[] = {
        {L"/csv \"" + Widen(Out.Utf8()) + L"\\r.csv\" \"" + Widen(Dir.Utf8()) + L"\\missing\"", "No such folder"},
        {L"/csv \"" + Widen(Out.Utf8()) + L"\\nope\\r.csv\" \"" + Widen(Dir.Utf8()) + L"\"", "Cannot create file"},
        {L"/html onlyonefile", "usage"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_EQ(RunProgram(c.Arguments, errors), 1) << Narrow(c.Arguments);
        EXPECT_NE(errors.find(c.Message), std::string::npos) << errors;
    }
    EXPECT_TRUE(fs::is_empty(Out.Path()));
}

}  // namespace
