// Program entry: the start-up sequence, or a report written from the command line.
#include <windows.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/MainFormUnit.h"
#include "app/UserPath.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "platform/DirList.h"
#include "platform/ErrorMode.h"
#include "platform/Volumes.h"
#include "reports/FolderReport.h"
#include "reports/HtmlReport_win.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "shell/TypeDescriptions_win.h"
#include "volumes/VolumeInventory.h"

namespace {

enum class TReportSwitch { None, Csv, Html, Json };

// "/csv", "-csv" and "--csv" in any case, and the same for html.
TReportSwitch ReportSwitchOf(const std::string& arg) {
    std::size_t dashes = arg.rfind("--", 0) == 0 ? 2 : !arg.empty() && (arg[0] == '/' || arg[0] == '-') ? 1 : 0;
    if (!dashes) return TReportSwitch::None;
    const std::string name = arg.substr(dashes);
    if (lstrcmpiA(name.c_str(), "csv") == 0) return TReportSwitch::Csv;
    if (lstrcmpiA(name.c_str(), "html") == 0) return TReportSwitch::Html;
    if (lstrcmpiA(name.c_str(), "json") == 0) return TReportSwitch::Json;
    return TReportSwitch::None;
}

// A program of the GUI subsystem has no console of its own; a message goes to the standard error
// handle it inherited, when there is one (a shell's redirection, a parent's pipe).
void WriteError(const std::string& text) {
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!err || err == INVALID_HANDLE_VALUE) return;
    const std::string line = "Voluscope: " + text + "\r\n";
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Voluscope /csv FILE FOLDER, Voluscope /html FILE FOLDER: the all-sub-folders report of FOLDER with the
// volume table, every file, the registered type descriptions and no chart picture, as the main window
// writes it, but without creating any window (so it runs without a display). Exit status 0; 1 with the
// reason on standard error when nothing was written; 2 when the report was written but some folders could
// not be read in full, each named on standard error.
int RunReportSwitch(const std::vector<std::string>& args, bool asHtml) {
    if (args.size() != 3) {
        WriteError("usage: Voluscope /csv FILE FOLDER | /html FILE FOLDER");
        return 1;
    }
    try {
        // A drive without media answers with an error instead of the system's "no disk" box.
        TCriticalErrorScope quiet;
        TFolderReportRequest request;
        if (!UserFolderPath(args[2], SystemDirLister(), request.Folder)) {
            WriteError(InvalidFolderText(args[2]));
            return 1;
        }
        request.File = args[1];
        request.AsHtml = asHtml;
        request.VolumeGrid =
            VolumeGridOf(ReadVolumeRows(SystemVolumes(), [](char letter) { return ClusterSize(letter); }));
        const std::unique_ptr<TTypeDescriptions> types = LoadTypeDescriptions();
        request.Options.TypeDescriptions = types.get();
        request.Version = GetProgramVersion();
        const TFolderReportResult result = WriteFolderReport(request);
        for (const std::string& line : ReportProblemLines(result.Walk)) WriteError(line);
        return result.Walk.Complete() ? 0 : 2;
    } catch (const std::exception& e) {
        WriteError(e.what());
    } catch (...) {
        WriteError("the report could not be written");
    }
    return 1;
}

// Voluscope /json FILE FOLDER: FOLDER walked and saved as a scan (ncdu JSON; gzip when FILE ends in ".gz"),
// without any window. Exit statuses as for /csv: 0; 1 with the reason on standard error when nothing was
// written; 2 when the scan was written but some folders could not be read in full (marked in it).
int RunJsonSwitch(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        WriteError("usage: Voluscope /json FILE FOLDER");
        return 1;
    }
    try {
        TCriticalErrorScope quiet;
        TDirLister& lister = SystemDirLister();
        std::string folder;
        if (!UserFolderPath(args[2], lister, folder)) {
            WriteError(InvalidFolderText(args[2]));
            return 1;
        }
        TFolderSizeService service(lister, SystemVolumes());
        const TFolderTotals totals = service.Totals(folder, "*.*");
        const TScanRef root = service.ScanTree().Find(service.CacheKey(folder));
        if (!root) {
            WriteError("the scan of \"" + folder + "\" does not fit the scan tree's memory budget");
            return 1;
        }
        TScanFileInfo info;
        info.ProgVer = GetProgramVersion();
        info.Timestamp = static_cast<std::int64_t>(time(nullptr));
        const TScanReader reader(service.ScanTree());
        const TScanExportResult result = ExportScan(reader, root, args[1], info);
        if (totals.Partial || result.ReadErrors) {
            WriteError(std::to_string(result.ReadErrors) + " folders could not be read in full");
            return 2;
        }
        return 0;
    } catch (const std::exception& e) {
        WriteError(e.what());
    } catch (...) {
        WriteError("the scan could not be written");
    }
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::string> args = CommandLineParams();
    if (const TReportSwitch report = args.empty() ? TReportSwitch::None : ReportSwitchOf(args[0]);
        report != TReportSwitch::None)
        return report == TReportSwitch::Json ? RunJsonSwitch(args)
                                             : RunReportSwitch(args, report == TReportSwitch::Html);
    try {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        // The splash has no owner and is not made through CreateForm, so it never becomes the
        // main window.
        SplashForm = new TSplashForm(nullptr);
        SplashForm->AfterConstruction();
        SplashForm->Show();
        Application->ProcessMessages();
        Application->CreateForm<TMainForm>();
        ProgressForm = Application->CreateForm<TProgressForm>();
        Application->Run();
    } catch (...) {
        Application->HandleException();
    }
    delete SplashForm;
    SplashForm = nullptr;
    // Windows, timers and their tables go now, while everything they use still exists.
    ProgressForm = nullptr;
    Application->DestroyComponents();
    return 0;
}
