// The folder chart's view of the folder list: the listed items as chart rows, and the row of a
// chart point.
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
        row.IsFile = item->IsFile;
        // A file is never a folder; only the others need the shell's (slower) attribute query.
        row.IsFolder = !item->IsFile && item->IsFolder();
        if (!row.IsFile && !row.IsFolder) {
            rows.push_back(std::move(row));  // not charted, but keeps the item indexes
            continue;
        }
        row.DisplayName = item->DisplayName;
        row.TypeName = item->TypeName;
        row.Size = item->Size();
        row.UsedSize = item->UsedSize();
        if (row.IsFolder) row.FileCount = item->FileCount();
        rows.push_back(std::move(row));
    }
    return rows;
}

bool TMainForm::SelectChartItem(int Index, std::string& Path) {
    for (int row : StShellListView1->SelectedIndices()) StShellListView1->SetSelected(row, false);
    TStShellItem* item = StShellListView1->ActiveList().Items(Index);
    if (!item || item->IsFile) return false;
    // The row that shows the item: the same position unless the list shows its items in another order.
    int row = StShellListView1->RowItem(Index) == item ? Index : -1;
    for (int r = 0, rows = StShellListView1->ItemCount(); row < 0 && r < rows; ++r)
        if (StShellListView1->RowItem(r) == item) row = r;
    if (row >= 0) StShellListView1->SetSelected(row, true);
    Path = item->Path;
    return true;
}
