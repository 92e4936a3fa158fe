// The main window's scan commands: "Save Scan..." writes the current folder's whole tree as a saved scan
// (ncdu JSON, gzip for a ".gz" name). The folder is walked (or taken from the scan tree where it is held
// fresh) and written on a worker thread while the window keeps running with the progress window shown;
// choosing the command again stops it, and a stopped save leaves the target file as it was. The window's
// thread never waits for the worker: the worker posts the window a message when it ends.
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "platform/Exception.h"
#include "reports/HtmlReport_win.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "ui/Dialogs.h"

// One save: the worker's flags and results, the thread, and what the window holds while it runs.
struct TMainForm::TScanSave {
    std::atomic<bool> Cancel{false};
    std::atomic<bool> Done{false};
    // Set by the worker before Done.
    std::string Error;
    bool Cancelled = false;
    bool Partial = false;
    std::thread Worker;
    std::string Caption;               // the command's caption before it became "Stop Saving Scan"
    std::unique_ptr<TBusyScope> Busy;  // other long commands (and closing the window) wait for the end
    ~TScanSave() {
        // The window went away while the save ran: stop it and wait for the worker, which uses the job.
        Cancel = true;
        if (Worker.joinable()) Worker.join();
    }
};

namespace {

// The worker: the walk (cancelable through the service's job), then the export (through the flag); at its
// end it tells the window by a posted message.
void SaveScan(TMainForm::TScanSave& job, HWND window, UINT message, const std::string& folder, const std::string& file,
              const std::string& version) {
    try {
        TFolderSizeService& service = FolderSizeService();
        std::atomic<bool> partial{false};
        TFolderSizeCallbacks callbacks;
        callbacks.OnFolder = [&partial](const TFolderSizeResult& r) {
            if (r.Status != TFolderSizeStatus::Complete) partial = true;
        };
        const auto walk = service.TotalsAsync({folder}, "*.*", callbacks);
        while (!walk->Wait(std::chrono::milliseconds(50)))
            if (job.Cancel) walk->Cancel();
        if (job.Cancel) {
            job.Cancelled = true;
        } else {
            const TScanRef root = service.ScanTree().Find(service.CacheKey(folder));
            if (!root)
                throw Exception("The folder's scan is not held in memory: the scan tree's memory budget was reached.");
            TScanFileInfo info;
            info.ProgVer = version;
            info.Timestamp = static_cast<std::int64_t>(std::time(nullptr));
            const TScanReader reader(service.ScanTree());
            const TScanExportResult result = ExportScan(reader, root, file, info, &job.Cancel);
            job.Cancelled = result.Cancelled;
            job.Partial = partial || result.ReadErrors > 0;
        }
    } catch (const std::exception& e) {
        job.Error = e.what();
    }
    job.Done = true;
    ::PostMessageW(window, message, 0, 0);
}

}  // namespace

void TMainForm::actSaveScanExecute(TObject*) {
    if (FScanSave) {  // chosen again while a save runs: stop it
        FScanSave->Cancel = true;
        return;
    }
    if (Application->Busy()) return;  // another long operation runs
    const std::string folder = CurrentFolderPath();
    if (folder.empty() || folder.rfind("::", 0) == 0) {
        Application->MessageBox("Only a folder on a disk can be saved as a scan.", Application->Title(), MB_OK);
        return;
    }
    TSaveDialog dialog(this);
    dialog.Title = "Save Scan";
    dialog.Filter = kScanFileFilter;
    dialog.DefaultExt = "json";
    dialog.OverwritePrompt = true;
    if (!dialog.Execute()) return;

    auto job = std::make_shared<TScanSave>();
    job->Busy = std::make_unique<TBusyScope>();
    job->Caption = actSaveScan->Caption();
    actSaveScan->SetCaption("Stop Saving Scan");
    if (ProgressForm) {
        ProgressForm->Show();
        ProgressForm->SetStatus("Saving the scan of " + folder);
    }
    job->Worker = std::thread(SaveScan, std::ref(*job), Handle(), kScanSavedMessage, folder, dialog.FileName,
                              GetProgramVersion());
    FScanSave = std::move(job);
}

void TMainForm::ScanSaveEnded() {
    if (!FScanSave || !FScanSave->Done) return;
    const std::shared_ptr<TScanSave> job = std::move(FScanSave);
    job->Worker.join();
    actSaveScan->SetCaption(job->Caption);
    if (ProgressForm) ProgressForm->Hide();
    if (!job->Error.empty()) {
        Application->MessageBox("There was an error saving the scan.\r\n" + job->Error, Application->Title(), MB_OK);
    } else if (!job->Cancelled && job->Partial) {
        Application->MessageBox(
            "Some folders could not be read in full. The scan was saved with what could be read; those folders are "
            "marked in it.",
            Application->Title(), MB_OK | MB_ICONWARNING);
    }
}
