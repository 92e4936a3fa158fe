// The folder chart's view of the folder list: the listed items as chart rows, and the row of a
// chart point, found by the folder's path that the point carries (the list's order may have changed
// since the chart was built).
#include "app/MainFormUnit.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"

std::vector<TChartRow> TMainForm::ChartRows() {
    std::vector<TChartRow> rows;
    TStShellItemList& list = StShellListView1->ActiveList();
    rows.reserve(list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        TStShellItem* item = list.Items(i);
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
        row.TypeName = item->TypeName;
        row.Size = item->Size();
        row.UsedSize = item->UsedSize();
        if (row.IsFolder) row.FileCount = item->FileCount();
        if (std::int64_t change = 0; StShellListView1->ItemChange(*item, change)) row.Growth = change;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool TMainForm::SelectChartFolder(const std::string& Path) {
    for (int row : StShellListView1->SelectedIndices()) StShellListView1->SetSelected(row, false);
    if (Path.empty()) return false;  // a file-type point, or no point
    for (int r = 0, rows = StShellListView1->ItemCount(); r < rows; ++r)
        if (TStShellItem* item = StShellListView1->RowItem(r); item && !item->IsFile && item->Path == Path) {
            StShellListView1->SetSelected(r, true);
            return true;
        }
    return false;
}
