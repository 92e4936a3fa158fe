// The main window's "Open Scan...": a saved scan (ncdu JSON as ncdu, gdu and "Save Scan..." write it,
// plain or gzip) read on a worker thread and shown in the list, the charts and the treemap as if it were
// a folder on disk. A file that cannot be read leaves the window as it was and says why.
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "charts/Treemap.h"
#include "platform/DateTime.h"
#include "scans/ScanFile.h"
#include "scans/ScanTime.h"
#include "shell/ShellListView_win.h"
#include "ui/Dialogs.h"

struct TMainForm::TScanOpen {
    std::string File;
    // Set by the worker before it posts the end.
    std::shared_ptr<TImportedScan> Scan;
    std::string Error;
};

void TMainForm::CreateScanCommands() {
    actOpenScan = NewAction("actOpenScan", "Open Scan...",
                            "Show a saved scan (ncdu JSON, also gzip) as if it were a folder on disk", 5, 0, false,
                            &TMainForm::actOpenScanExecute);
    OpenScan1 = new TMenuItem(PrintPopup, "OpenScan1");
    OpenScan1->SetAction(actOpenScan);
}

bool TMainForm::ShowingScan() const {
    return StShellListView1 && StShellListView1->ShowingScan();
}

std::string TMainForm::SavedScanText() const {
    const TImportedScan* scan = ShowingScan() ? StShellListView1->Scan() : nullptr;
    if (!scan) return {};
    const std::string when =
        scan->Info.Timestamp > 0 ? LocalDateTimeText(TicksOfUnixSeconds(scan->Info.Timestamp), false) : std::string();
    return when.empty() ? std::string("saved scan of an unknown date") : "saved scan of " + when;
}

void TMainForm::actOpenScanExecute(TObject*) {
    if (FScanOpen || Application->Busy()) return;  // a read or another long operation runs
    TOpenDialog dialog(this);
    dialog.Title = "Open Scan";
    dialog.Filter = kScanFileFilter;
    dialog.DefaultExt = "json";
    if (!dialog.Execute()) return;

    auto job = std::make_shared<TScanOpen>();
    job->File = dialog.FileName;
    FScanOpen = job;
    actOpenScan->SetEnabled(false);
    if (ProgressForm) {
        ProgressForm->Show();
        ProgressForm->SetStatus("Reading the scan " + job->File);
    }
    // The worker only reads and posts: the window installs the scan when the message comes.
    const HWND window = Handle();
    FScanOpenThread = std::thread([job, window] {
        try {
            job->Scan = std::make_shared<TImportedScan>(ImportScan(job->File));
        } catch (const std::exception& e) {
            job->Error = e.what();
        }
        ::PostMessageW(window, kScanReadMessage, 0, 0);
    });
}

void TMainForm::ScanOpenEnded() {
    if (FScanOpenThread.joinable()) FScanOpenThread.join();
    const std::shared_ptr<TScanOpen> job = std::move(FScanOpen);
    FScanOpen.reset();
    actOpenScan->SetEnabled(true);
    if (ProgressForm) ProgressForm->Hide();
    if (!job) return;
    if (!job->Scan) {
        Application->MessageBox("There was an error opening the scan.\r\n" + job->Error, Application->Title(),
                                MB_OK | MB_ICONWARNING);
        return;
    }
    StShellListView1->ShowScan(job->Scan);
}

void TMainForm::ScanReadArrived() {
    // Not inside a listing or a report: the scan shows once that has ended.
    if (Application->Busy())
        Application->RunWhenNotBusy([this] { ScanOpenEnded(); });
    else
        ScanOpenEnded();
}

void TMainForm::ShowScanState() {
    const bool scan = ShowingScan();
    const TImportedScan* shown = scan ? StShellListView1->Scan() : nullptr;
    SetCaption(shown ? "Voluscope - " + shown->Path + " (" + SavedScanText() + ")" : std::string("Voluscope"));
    // Reports walk the disk and a save walks it too; folder sizes come from the scan. Choosing a volume,
    // a folder in the combo box or the shortcuts folder leaves the scan, so those stay.
    for (TAction* a : {actPrint, actPrintCsv, actPrintAll, actPrintAllCsv, actSaveScan, actFolderSizes})
        a->SetEnabled(!scan);
}

void TMainForm::OpenChartFolder(const std::string& Path) {
    if (ShowingScan())
        StShellListView1->OpenScanFolder(Path);
    else
        OpenFolder(Path);
}

bool TMainForm::UpdateScanTreemap() {
    const TImportedScan* scan = ShowingScan() ? StShellListView1->Scan() : nullptr;
    if (!scan) return false;
    TTreemapOptions options;
    options.Width = TreemapPanel1->MapWidth();
    options.Height = TreemapPanel1->MapHeight();
    options.Metric = ChartMetric();
    options.Mask = StShellListView1->Model().TotalsMask();
    TTypeColors colors(ChartRows());
    options.ColorOf = [&colors](std::string_view extension) { return colors.Of(extension); };
    TTreemap map;
    TTreemapState state;
    {
        const TScanReader reader(*scan->Tree);
        state = map.Build(reader, StShellListView1->ScanFolder(), options);
    }
    if (state == TTreemapState::Ready) {
        std::vector<TTreemapShare> legend = map.Legend(8);
        TreemapPanel1->SetMap(std::move(map), std::move(legend));
    } else {
        TreemapPanel1->SetMessage("No treemap: the saved scan does not hold this folder");
    }
    return true;
}
