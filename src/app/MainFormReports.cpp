// The main window's reports: the four print commands. They copy what the panes show into tables of texts
// (the all-sub-folders reports walk the tree through the report walker), hand the tables to the CSV or
// HTML writer, and warn when the walk could not read everything.
#include <algorithm>
#include <climits>
#include <optional>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "platform/Exception.h"
#include "platform/FlagScope.h"
#include "reports/FolderReport.h"
#include "reports/HtmlReport_win.h"
#include "reports/ReportWriters.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "ui/Dialogs.h"
#include "ui/Gauge.h"

struct TMainForm::TReportData {
    TVolumeGrid VolumeGrid;
    std::optional<TRgbPicture> Image;
    std::string Caption;
    TFileRows FileRows;
    TCollectResult Walk;
};

namespace {

// Leading and trailing blanks and control characters removed.
std::string TrimText(const std::string& text) {
    std::size_t from = 0, to = text.size();
    while (from < to && static_cast<unsigned char>(text[from]) <= ' ') ++from;
    while (to > from && static_cast<unsigned char>(text[to - 1]) <= ' ') --to;
    return text.substr(from, to - from);
}

// Puts the progress window back into its listing state, hidden, on every way out of the collection.
struct TProgressReset {
    ~TProgressReset() { Reset(); }
    void Reset() {
        if (!ProgressForm) return;
        ProgressForm->Hide();
        ProgressForm->ShowAnimation();
    }
};

}  // namespace

TVolumeGrid TMainForm::VolumeGridOf(TListView* List) {
    TVolumeGrid grid(static_cast<std::size_t>(List->ColumnCount()));
    const int count = List->ItemCount();
    for (std::size_t c = 0; c < grid.size(); ++c) {
        grid[c].reserve(static_cast<std::size_t>(count) + 1);
        grid[c].push_back(List->ColumnCaption(static_cast<int>(c)));
    }
    for (int i = 0; i < count; ++i) {
        const TListItemData item = List->Item(i);
        for (std::size_t c = 0; c < grid.size(); ++c)
            grid[c].push_back(c == 0 ? item.Caption : c - 1 < item.SubItems.size() ? item.SubItems[c - 1] : "");
    }
    return grid;
}

// The collection stage: the volume table, the chart picture, the file count with its question and the
// progress window, and the file table. Failures are shown as "There was an error creating the report."
// with what was collected kept. Returns false when the user answered No.
bool TMainForm::CollectReport(bool AllSubFolders, bool AsHtml, TReportData& Data) {
    THourGlass hourGlass;
    TProgressReset progress;
    try {
        if (actVolumes->Checked()) Data.VolumeGrid = VolumeGridOf(VolumeList);
        // The picture is taken for either format, so the clipboard holds the chart afterwards.
        if (actCharts->Checked()) Data.Image = ChartSnapshot();
        Data.Caption = TrimText(Panel3->Caption());
        if (actExplorer->Checked()) {
            // The mask in force (the folder model's), not what the filter box shows while the user types.
            const std::string path = CurrentFolderPath(), mask = StShellListView1->Model().Mask();
            const std::int64_t count = FolderFileCount(path, mask);
            if (count > INT_MAX) throw Exception("The number of files does not fit the progress gauge.");
            if (ProgressForm) ProgressForm->Gauge1->SetMaxValue(static_cast<int>(count));
            if (AllSubFolders && (count > 5000 || (AsHtml && count > 500))) {
                if (Application->MessageBox("This could take a while to render. Are you sure you want to proceed?",
                                            Application->Title(), MB_YESNO | MB_ICONWARNING) != IDYES)
                    return false;
                if (ProgressForm) {
                    ProgressForm->Show();
                    ProgressForm->ShowGauge();
                }
            }
            std::vector<std::string> header;
            for (int c = 0; c < StShellListView1->ColumnCount(); ++c)
                header.push_back(StShellListView1->ColumnCaption(c));
            header.push_back("Folder");
            if (AllSubFolders) {
                TCollectOptions options;
                options.TypeDescriptions = &StShellListView1->TypeDescriptions();
                options.Baseline = StShellListView1->Baseline();
                if (ProgressForm) {
                    options.OnFolder = [](const std::string& folder) { ProgressForm->SetStatus(folder); };
                    options.OnFile = [] { ProgressForm->Gauge1->StepProgress(1); };
                }
                Data.Walk = CollectFolderTree(Data.FileRows, header, path, mask, options);
            } else {
                Data.FileRows.Add(header);
                // The folder model's rows as the list shows them: every row as long as the widest, the folder
                // in the last cell.
                const TFolderModel& model = StShellListView1->Model();
                const int rows = model.RowCount();
                std::size_t widest = 0;
                for (int r = 0; r < rows; ++r)
                    if (TStShellItem* item = model.Row(r)) widest = std::max(widest, item->ColumnTexts.size());
                const std::string folderCell = path.rfind("::", 0) == 0 ? CurrentFolderName() : path;
                std::vector<std::string_view> cells(widest + 2);
                for (int r = 0; r < rows; ++r) {
                    TStShellItem* item = model.Row(r);
                    if (!item) continue;
                    std::fill(cells.begin(), cells.end(), std::string_view());
                    cells[0] = item->DisplayName;
                    for (std::size_t s = 0; s < item->ColumnTexts.size(); ++s) cells[s + 1] = item->ColumnTexts[s];
                    cells[widest + 1] = folderCell;
                    Data.FileRows.Add(cells);
                }
            }
        }
    } catch (const std::exception& e) {
        progress.Reset();
        Application->MessageBox(std::string("There was an error creating the report.\r\n") + e.what(),
                                Application->Title(), MB_OK);
    }
    return true;
}

void TMainForm::PrintReport(bool AllSubFolders, bool AsHtml) {
    // The walk lets messages run; the busy scope holds other commands back (a second report among them)
    // until this one is written, so two reports never share their tables.
    if (FReportRunning) return;
    TFlagScope running(FReportRunning);
    TBusyScope busy;
    TReportData data;
    if (!CollectReport(AllSubFolders, AsHtml, data)) return;
    if (AsHtml) {
        std::string page;
        {
            THourGlass hourGlass;
            page = WriteHtmlReport(data.VolumeGrid, data.Image ? &*data.Image : nullptr, data.Caption, data.FileRows,
                                   ShellOpen);
        }
        if (!page.empty()) WarnIfIncomplete(data.Walk);
        return;
    }
    TSaveDialog dialog(this);
    dialog.Title = "Save Report";
    dialog.Filter = "CSV files (*.csv)|*.csv|All files (*.*)|*.*";
    dialog.DefaultExt = "csv";
    dialog.OverwritePrompt = true;
    if (!dialog.Execute()) return;
    try {
        WriteCsvReport(dialog.FileName, data.VolumeGrid, data.FileRows);
    } catch (const std::exception& e) {
        Application->MessageBox(std::string("There was an error creating the report file.\r\n") + e.what(),
                                Application->Title(), MB_OK);
        return;
    }
    WarnIfIncomplete(data.Walk);
}

void TMainForm::WarnIfIncomplete(const TCollectResult& Walk) {
    const std::string text = ReportWarningText(Walk);
    if (!text.empty()) Application->MessageBox(text, Application->Title(), MB_OK | MB_ICONWARNING);
}

void TMainForm::actPrintExecute(TObject*) {
    PrintReport(false, true);
}
void TMainForm::actPrintCsvExecute(TObject*) {
    PrintReport(false, false);
}
void TMainForm::actPrintAllExecute(TObject*) {
    PrintReport(true, true);
}
void TMainForm::actPrintAllCsvExecute(TObject*) {
    PrintReport(true, false);
}
