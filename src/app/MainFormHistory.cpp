// The main window's scan history: "Keep Scan History" in the print menu, a checked command whose state
// is kept in the settings file (off until switched on). While it is on, each completed walk of a root is
// written to the user's history by the scan keeper on a thread of its own: the list's sub-folders as their
// figures come, then the folder shown; "Compare With..." then lists those scans. A history that cannot be written is
// said once, in a message box, and the program goes on; it is said again only after a scan was kept meanwhile, so a
// history folder that stays unwritable never brings up a box per walk.
#include <mutex>

#include "app/MainFormUnit.h"
#include "app/Settings.h"
#include "platform/DirList.h"
#include "reports/HtmlReport_win.h"
#include "scans/ScanKeeper.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"

// The keeper and the warning its thread hands to the window (read after the posted message).
struct TMainForm::THistoryKeeping {
    std::mutex Lock;
    std::string Warning;
    std::shared_ptr<TFolderSizeJob> ShownFolder;  // the total of the folder shown, asked for its scan
    std::unique_ptr<TScanKeeper> Keeper;          // last: it stops (and stops warning) before the rest goes
};

void TMainForm::CreateHistory() {
    FHistory = std::make_shared<THistoryKeeping>();
    THistoryKeeping* history = FHistory.get();
    const HWND window = Handle();
    history->Keeper = std::make_unique<TScanKeeper>(
        FolderSizeService(), std::make_unique<TScanHistory>(TScanHistory::DefaultFolder(), SystemDirLister()),
        GetProgramVersion(), [history, window](const std::string& message) {
            {
                std::lock_guard lock(history->Lock);
                history->Warning = message;
            }
            ::PostMessageW(window, kHistoryWarningMessage, 0, 0);
        });
    const bool keep = LoadKeepHistory(SettingsFilePath(ExeFileName()));
    history->Keeper->SetEnabled(keep);
    actKeepHistory = NewAction("actKeepHistory", "Keep Scan History",
                               "Keep each completed scan of a folder, to compare the folder with it later", -1, 0, keep,
                               &TMainForm::actKeepHistoryExecute);
    KeepHistory1 = new TMenuItem(PrintPopup, "KeepHistory1");
    KeepHistory1->SetAction(actKeepHistory);
}

void TMainForm::actKeepHistoryExecute(TObject*) {
    const bool keep = !actKeepHistory->Checked();
    actKeepHistory->SetChecked(keep);
    FHistory->Keeper->SetEnabled(keep);
    // The choice holds for this session even when the settings file cannot take it.
    SaveKeepHistory(SettingsFilePath(ExeFileName()), keep);
}

bool TMainForm::KeepingHistoryIdle() const {
    return (!FHistory->ShownFolder || FHistory->ShownFolder->Ended()) && FHistory->Keeper->Idle();
}

void TMainForm::KeepShownFolder() {
    // With folder sizes on, the list totals each sub-folder as a root of its own, and those walks are the
    // ones kept. Once every figure is in, the folder shown is totalled as well: only its own listing is
    // read, its sub-folders come from the tree, and the walk gives the folder itself a kept scan, which
    // "Compare With..." finds when the folder is opened again. Known totals mean no walk, and none to keep.
    if (!actKeepHistory->Checked() || !actFolderSizes->Checked() || ShowingScan()) return;
    const TFolderModel& model = StShellListView1->Model();
    if (model.State() != TFiguresState::Idle || model.Incomplete()) return;
    const TStShellFolder* folder = StShellListView1->CurrentFolder();
    if (!folder || !folder->IsFileSystem || folder->Path.empty()) return;
    if (FHistory->ShownFolder && !FHistory->ShownFolder->Ended()) return;
    TFolderTotals known;
    if (FolderSizeService().TotalsIfKnown(folder->Path, "*.*", known)) return;
    FHistory->ShownFolder = FolderSizeService().TotalsAsync({folder->Path}, "*.*", TFolderSizeCallbacks{});
}

void TMainForm::HistoryWarningArrived() {
    std::string message;
    {
        std::lock_guard lock(FHistory->Lock);
        message.swap(FHistory->Warning);
    }
    if (!message.empty()) Application->MessageBox(message, Application->Title(), MB_OK | MB_ICONWARNING);
}
