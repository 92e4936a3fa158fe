// The folder chart's view of the folder model: the shown rows as chart rows, each with its row id, and
// the row of a chart point, found by the id that the point carries (the rows may have been sorted or read
// again since the chart was built).
#include "app/MainFormUnit.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"

std::vector<TChartRow> TMainForm::ChartRows() {
    std::vector<TChartRow> rows;
    const TFolderModel& model = StShellListView1->Model();
    const int count = model.RowCount();
    rows.reserve(count);
    // In the rows' sorted order, whichever way the list shows them.
    for (int i = 0; i < count; ++i) {
        TStShellItem* item = model.Row(RowToItemIndex(i, count, model.Ascending()));
        TChartRow row;
        if (StShellListView1->IsGone(*item)) {
            rows.push_back(std::move(row));  // gone from the disk: not charted
            continue;
        }
        row.IsFile = item->IsFile;
        // A file is never a folder; only the others need the shell's (slower) attribute query.
        row.IsFolder = !item->IsFile && item->IsFolder();
        if (!row.IsFile && !row.IsFolder) {
            rows.push_back(std::move(row));  // not charted, but keeps the item indexes
            continue;
        }
        row.DisplayName = item->DisplayName;
        row.Path = item->Path;
        row.RowId = model.IdOf(item);
        row.TypeName = item->TypeName;
        row.Size = item->Size();
        row.UsedSize = item->UsedSize();
        if (row.IsFolder) row.FileCount = item->FileCount();
        if (std::int64_t change = 0; StShellListView1->ItemChange(*item, change)) row.Growth = change;
        rows.push_back(std::move(row));
    }
    return rows;
}

TStShellItem* TMainForm::SelectChartFolder(const std::string& Key) {
    for (int row : StShellListView1->SelectedIndices()) StShellListView1->SetSelected(row, false);
    const TFolderModel& model = StShellListView1->Model();
    const TRowId id = ChartKeyRowId(Key);  // 0: a file-type point, or no point
    const int row = model.RowOf(id);
    TStShellItem* item = model.Row(row);
    if (!item || item->IsFile || item->Path.empty()) return nullptr;
    StShellListView1->SetSelected(row, true);
    return item;
}
