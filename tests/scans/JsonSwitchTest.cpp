// The program's /json switch, run as a process (Windows, under Wine): the scan it writes without any
// window, and its exit statuses and messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct TRun {
    DWORD Status = 9999;
    std::string Errors;
};

// Runs Voluscope.exe (beside the tests' folder) with args; its standard error goes to a file.
TRun RunProgram(const std::vector<std::string>& args, const fs::path& errors) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path exe = fs::path(self).parent_path().parent_path() / L"Voluscope.exe";
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    for (const std::string& a : args) command += L" \"" + Widen(a) + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    TRun run;
    {
        TFileHandle err(
            ::CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = err.Get();
        si.hStdOutput = err.Get();
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
            return run;
        const TKernelHandle process(pi.hProcess), thread(pi.hThread);
        if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &run.Status);
    }
    run.Errors = vstest::ReadFileText(errors);
    return run;
}

TEST(JsonSwitch, WritesTheScanOrSaysWhyNot) {
    const vstest::TTempDir dir;
    dir.WriteFile("data/top.bin", 5000);
    dir.WriteFile("data/sub/\xC3\xA9t\xC3\xA9.txt", 12);
    dir.MakeDir("data/empty");
    const std::string data = dir.Utf8() + "\\data", errors = dir.Utf8() + "\\errors.txt";
    TFolderSizeService service(SystemDirLister(), SystemVolumes());
    const TFolderTotals walked = service.Totals(data, "*.*");
    struct TCase {
        std::vector<std::string> Args;
        DWORD Status;
        std::string Written;  // the file that must hold the scan, or "" when none may be written
        std::string Message;  // a part of the message on standard error
    };
    const TCase cases[] = {
        {{"/json", dir.Utf8() + "\\scan.json", data}, 0, dir.Utf8() + "\\scan.json", ""},
        {{"--JSON", dir.Utf8() + "\\scan.json.gz", data}, 0, dir.Utf8() + "\\scan.json.gz", ""},
        {{"/json", dir.Utf8() + "\\no.json", dir.Utf8() + "\\missing"}, 1, "", "is not a folder"},
        {{"/json", dir.Utf8() + "\\nofolder\\no.json", data}, 1, "", "Cannot create file"},
        {{"/json", dir.Utf8() + "\\no.json"}, 1, "", "usage: Voluscope /json FILE FOLDER"},
    };
    int runs = 0;
    for (const TCase& c : cases) {
        // A file of its own per run: the last run's child may still hold its file open for a moment.
        const TRun run = RunProgram(c.Args, vstest::Utf8Path(errors + std::to_string(++runs)));
        EXPECT_EQ(run.Status, c.Status) << c.Args[1] << ": " << run.Errors;
        if (!c.Message.empty()) EXPECT_NE(run.Errors.find(c.Message), std::string::npos) << run.Errors;
        if (c.Written.empty()) {
            EXPECT_FALSE(fs::exists(vstest::Utf8Path(dir.Utf8() + "\\no.json")));
            continue;
        }
        const TImportedScan scan = ImportScan(c.Written);
        const TScanReader reader(*scan.Tree);
        EXPECT_EQ(reader.Folder(scan.Root)->Total, (TScanTotals{walked.Size, walked.Used, walked.Count}));
        EXPECT_EQ(scan.Files, 2);
        EXPECT_EQ(scan.Folders, 3);
        EXPECT_EQ(scan.Info.ProgName, "voluscope");
        EXPECT_GT(scan.Info.Timestamp, 1700000000);
    }
}

}  // namespace
