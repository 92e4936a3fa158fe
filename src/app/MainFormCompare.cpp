// The main window's comparison with an earlier scan. "Compare With..." opens a small menu: the kept scans
// of the current folder's root (the folder or one above it), newest first with their dates, then a saved
// scan file, then "Stop Comparing". The chosen scan is read on a worker thread; its end is posted to the
// window, which then makes it the folder list's baseline and lists the folder again. A file that cannot be
// read gives the reader's error and leaves the comparison as it was.
#include <algorithm>
#include <thread>

#include "app/MainFormUnit.h"
#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/Exception.h"
#include "scans/ScanDiff.h"
#include "scans/ScanHistory.h"
#include "scans/ScanTime.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "ui/Dialogs.h"

namespace {

// Work handed over until a long operation ends runs only if the window is still there.
bool FormExists(const TForm* form) {
    const std::vector<TForm*>& forms = TApplication::Forms();
    return std::find(forms.begin(), forms.end(), form) != forms.end();
}
}  // namespace

// One read of a scan file. The window keeps the last one asked for; the worker fills Baseline or Error
// before it posts, and the window reads them only after the post.
struct TMainForm::TCompareRead {
    std::string File;
    std::shared_ptr<const TScanBaseline> Baseline;
    std::string Error;
    std::atomic<bool> Done{false};
    std::thread Worker;
    ~TCompareRead() {
        if (Worker.joinable()) Worker.join();
    }
};

void TMainForm::CreateCompare() {
    actCompare = NewAction("actCompare", "Compare With...", "Compare the folder with an earlier scan", 5, 0, false,
                           &TMainForm::actCompareExecute);
    CompareWith1 = new TMenuItem(PrintPopup, "CompareWith1");
    CompareWith1->SetAction(actCompare);
    CompareMenu = new TPopupMenu(this);
    CompareMenu->SetName("CompareMenu");
    CompareMenu->OnPopup = [this](TObject*) { BuildCompareMenu(); };

    actChartGrowth = NewAction("actChartGrowth", "Chart Growth", "Chart what grew since the earlier scan", -1, 0, false,
                               &TMainForm::actChartSizeExecute);
    actChartGrowth->SetEnabled(false);
    actChartGrowth->OnUpdate = [this](TObject*) { actChartGrowth->SetEnabled(Comparing()); };
    ChartGrowth1 = new TMenuItem(ChartPopup, "ChartGrowth1");
    ChartGrowth1->SetAction(actChartGrowth);
    ChartGrowth1->SetRadioItem(true);
    ChartGrowth1->SetGroupIndex(3);
}

bool TMainForm::Comparing() const {
    return StShellListView1->Baseline() != nullptr;
}

std::vector<TScanHistoryEntry> TMainForm::CompareCandidates() {
    const std::string path = CurrentFolderPath();
    const std::string folder = TScanHistory::DefaultFolder();
    if (path.empty() || path.rfind("::", 0) == 0 || folder.empty()) return {};
    TFolderSizeService& service = FolderSizeService();
    TScanHistory history(folder, SystemDirLister());
    // The scans of the folder itself and of every folder above it: each holds this folder.
    std::vector<TScanHistoryEntry> all;
    std::string key = service.CacheKey(path);
    while (!key.empty()) {
        for (TScanHistoryEntry& e : history.List(key)) all.push_back(std::move(e));
        // The key of the folder above: "c:\\a\\b\\" -> "c:\\a\\"; none above a root.
        const std::size_t up = key.size() < 2 ? std::string::npos : key.find_last_of("\\/", key.size() - 2);
        key = up == std::string::npos ? std::string() : key.substr(0, up + 1);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const TScanHistoryEntry& a, const TScanHistoryEntry& b) { return a.Timestamp > b.Timestamp; });
    return all;
}

void TMainForm::BuildCompareMenu() {
    while (CompareMenu->Count() > 0) delete CompareMenu->Items(CompareMenu->Count() - 1);
    int n = 0;
    for (const TScanHistoryEntry& e : CompareCandidates()) {
        auto* item = new TMenuItem(CompareMenu, "CompareScan" + std::to_string(++n),
                                   "Scan of " + LocalDateTimeText(TicksOfUnixSeconds(e.Timestamp), false));
        item->OnClick = [this, file = e.File](TObject*) { CompareWithFile(file); };
    }
    if (n == 0) (new TMenuItem(CompareMenu, "CompareNoScans", "No kept scans of this folder"))->SetEnabled(false);
    new TMenuItem(CompareMenu, "CompareN1", "-");
    auto* file = new TMenuItem(CompareMenu, "CompareFile", "Scan File...");
    file->OnClick = [this](TObject*) {
        TOpenDialog dialog(this);
        dialog.Title = "Compare With";
        dialog.Filter = kScanFileFilter;
        if (dialog.Execute()) CompareWithFile(dialog.FileName);
    };
    auto* stop = new TMenuItem(CompareMenu, "CompareStop", "Stop Comparing");
    stop->SetEnabled(Comparing());
    stop->OnClick = [this](TObject*) { StopComparing(); };
}

void TMainForm::actCompareExecute(TObject*) {
    POINT at{};
    ::GetCursorPos(&at);
    CompareMenu->Popup(at.x, at.y, Handle());
}

void TMainForm::CompareWithFile(const std::string& File) {
    // A read already running finishes on its own; only the last one asked for counts.
    auto read = std::make_shared<TCompareRead>();
    read->File = File;
    const HWND window = Handle();
    TCompareRead* job = read.get();
    read->Worker = std::thread([job, window] {
        try {
            job->Baseline = std::make_shared<const TScanBaseline>(ImportScan(job->File));
        } catch (const std::exception& e) {
            job->Error = e.what();
        }
        job->Done = true;
        ::PostMessageW(window, kCompareReadMessage, 0, 0);
    });
    FCompareWanted = job;
    FCompareReads.push_back(std::move(read));
}

void TMainForm::CompareReadEnded() {
    std::shared_ptr<TCompareRead> wanted;
    for (auto it = FCompareReads.begin(); it != FCompareReads.end();) {
        if (!(*it)->Done) {
            ++it;
            continue;
        }
        if ((*it)->Worker.joinable()) (*it)->Worker.join();
        if (it->get() == FCompareWanted) {
            wanted = *it;
            FCompareWanted = nullptr;
        }
        it = FCompareReads.erase(it);
    }
    if (!wanted) return;
    // A listing or report that runs reads the baseline in use: the new one takes over once it has ended.
    if (Application->Busy()) {
        FCompareWanted = wanted.get();
        FCompareReads.push_back(wanted);
        Application->RunWhenNotBusy([this] {
            if (FormExists(this)) CompareReadEnded();
        });
        return;
    }
    if (!wanted->Error.empty()) {
        Application->MessageBox("There was an error reading the scan.\r\n" + wanted->Error, Application->Title(),
                                MB_OK | MB_ICONWARNING);
        return;
    }
    StShellListView1->SetBaseline(std::move(wanted->Baseline));
    ListCurrentFolderAgain();
}

void TMainForm::StopComparing() {
    if (!Comparing()) return;
    if (Application->Busy()) {  // as above: not under a listing or report that reads the baseline
        Application->RunWhenNotBusy([this] {
            if (FormExists(this)) StopComparing();
        });
        return;
    }
    StShellListView1->SetBaseline(nullptr);
    // Without a baseline there is no growth: the chart goes back to sizes.
    if (actChartGrowth->Checked()) {
        actChartGrowth->SetChecked(false);
        actChartSize->SetChecked(true);
    }
    ListCurrentFolderAgain();
}

void TMainForm::CompareReadArrived() {
    try {
        CompareReadEnded();
    } catch (...) {
        Application->HandleException(this);
    }
}
