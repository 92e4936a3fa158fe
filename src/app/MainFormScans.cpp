// The main window's scan commands: "Save Scan..." writes the current folder's whole tree as a saved scan
// (ncdu JSON, gzip for a ".gz" name). The folder is walked (or taken from the scan tree where it is held
// fresh) and written on a worker thread while the window keeps running with the progress window shown;
// choosing the command again stops it, and a stopped save leaves the target file as it was.
#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "platform/Exception.h"
#include "reports/HtmlReport_win.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "ui/Dialogs.h"

namespace {

struct TScanSave {
    std::atomic<bool> Cancel{false};
    std::atomic<bool> Done{false};
    // Set by the worker before Done.
    std::string Error;
    bool Cancelled = false;
    bool Partial = false;
};

// The worker: the walk (cancelable through the service's job), then the export (through the flag).
void SaveScan(TScanSave& job, const std::string& folder, const std::string& file, const std::string& version) {
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
}

}  // namespace

void TMainForm::actSaveScanExecute(TObject*) {
    if (FScanSaveCancel) {  // chosen again while a save runs: stop it
        *FScanSaveCancel = true;
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
    dialog.Filter = "Scans (*.json.gz;*.json)|*.json.gz;*.json|All files (*.*)|*.*";
    dialog.DefaultExt = "json";
    dialog.OverwritePrompt = true;
    if (!dialog.Execute()) return;

    TBusyScope busy;  // holds other commands (and closing the window) back until the worker is done
    TScanSave job;
    FScanSaveCancel = &job.Cancel;
    const std::string caption = actSaveScan->Caption();
    actSaveScan->SetCaption("Stop Saving Scan");
    if (ProgressForm) {
        ProgressForm->Show();
        ProgressForm->SetStatus("Saving the scan of " + folder);
    }
    std::thread worker(SaveScan, std::ref(job), folder, dialog.FileName, GetProgramVersion());
    while (!job.Done) {
        Application->ProcessMessages();
        if (Application->Terminated()) job.Cancel = true;
        if (!job.Done) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    worker.join();
    FScanSaveCancel = nullptr;
    actSaveScan->SetCaption(caption);
    if (ProgressForm) ProgressForm->Hide();
    if (!job.Error.empty()) {
        Application->MessageBox("There was an error saving the scan.\r\n" + job.Error, Application->Title(), MB_OK);
    } else if (!job.Cancelled && job.Partial) {
        Application->MessageBox(
            "Some folders could not be read in full. The scan was saved with what could be read; those folders are "
            "marked in it.",
            Application->Title(), MB_OK | MB_ICONWARNING);
    }
}
