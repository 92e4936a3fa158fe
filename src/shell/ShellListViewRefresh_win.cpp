// The folder list's refresh: the rows shown again after the mask changed, or the current folder read
// again after a change on disk. A re-read builds the new items beside the old ones, which stay on
// screen while the folder is read (the filter event lets messages run meanwhile, so the list is
// painted then); then the row count changes once, and the selection, the focus and the top row follow
// their items to the rows these have now. The list never shows an empty or blank state in between.
#include "shell/ShellListView_win.h"
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <unordered_map>

#include "platform/DirList.h"
#include "platform/FlagScope.h"
#include "ui/Forms.h"

namespace {

// Where the rows stood, by item (the items stay alive until the rows have been placed again).
struct TRowPlaces {
    std::vector<const TStShellItem*> Selected;
    const TStShellItem* Focused = nullptr;
    const TStShellItem* Top = nullptr;
    int FirstSelected = -1;
};

TRowPlaces RowPlaces(TStShellListView& list) {
    TRowPlaces places;
    for (int row : list.SelectedIndices())
        if (const TStShellItem* item = list.RowItem(row)) {
            if (places.Selected.empty()) places.FirstSelected = row;
            places.Selected.push_back(item);
        }
    places.Focused = list.RowItem(list.FocusedIndex());
    places.Top = list.RowItem(list.TopIndex());
    return places;
}

// The rows the remembered items have now, -1 for an item that has gone. An item is the same across two
// readings of its folder when it has the same parsing path, or for one without a path, the same
// identifier list.
std::vector<int> RowsOf(TStShellListView& list, const std::vector<const TStShellItem*>& items) {
    std::vector<int> rows(items.size(), -1);
    std::unordered_map<std::string, std::vector<std::size_t>> byPath;
    std::vector<std::pair<std::size_t, TPidl>> byIdList;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i]) continue;
        if (!items[i]->Path.empty())
            byPath[items[i]->Path].push_back(i);
        else
            byIdList.emplace_back(i, items[i]->FullIdList());
    }
    if (byPath.empty() && byIdList.empty()) return rows;
    for (int row = 0, n = list.ItemCount(); row < n; ++row) {
        const TStShellItem* item = list.RowItem(row);
        if (!item) continue;
        if (!item->Path.empty()) {
            auto it = byPath.find(item->Path);
            if (it != byPath.end())
                for (std::size_t i : it->second) rows[i] = row;
        } else if (!byIdList.empty()) {
            TPidl pidl = item->FullIdList();
            for (const auto& [i, wanted] : byIdList)
                if (SamePidl(pidl.get(), wanted.get())) rows[i] = row;
        }
    }
    return rows;
}

void PlaceRows(TStShellListView& list, const TRowPlaces& places) {
    const HWND h = list.Handle();
    const int count = list.ItemCount();
    std::vector<const TStShellItem*> items = places.Selected;
    items.push_back(places.Focused);
    items.push_back(places.Top);
    const std::vector<int> rows = RowsOf(list, items);
    const int focused = rows[rows.size() - 2], top = rows.back();

    // The selected items that are still there; when none is, the row where the first one was.
    std::vector<int> selected;
    for (std::size_t i = 0; i < places.Selected.size(); ++i)
        if (rows[i] >= 0) selected.push_back(rows[i]);
    if (selected.empty() && places.FirstSelected >= 0 && count > 0)
        selected.push_back(std::min(places.FirstSelected, count - 1));
    std::sort(selected.begin(), selected.end());
    if (selected != list.SelectedIndices()) {
        ListView_SetItemState(h, -1, 0, LVIS_SELECTED);
        for (int row : selected) ListView_SetItemState(h, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focused >= 0 && focused != list.FocusedIndex()) ListView_SetItemState(h, focused, LVIS_FOCUSED, LVIS_FOCUSED);
    // The top row stays on top (report view scrolls by pixels; the icon views keep their position).
    const int now = list.TopIndex();
    if (top >= 0 && now >= 0 && top != now && list.ViewStyle() == vsReport) {
        RECT r{};
        if (ListView_GetItemRect(h, 0, &r, LVIR_BOUNDS)) ListView_Scroll(h, 0, (top - now) * (r.bottom - r.top));
    }
}

}  // namespace

void TStShellListView::UpdateRowCount() {
    ::SendMessageW(Handle(), LVM_SETITEMCOUNT, ActiveList().Count(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    RowsChanged();  // forgets the row last asked for
    Invalidate();
}

void TStShellListView::Refresh(bool reenumerate) {
    if (reenumerate) {
        if (!Defer(dwFillingOrBusy, [this] { Refresh(true); })) ReadFolderAgain();
        return;
    }
    const TRowPlaces places = RowPlaces(*this);
    SortList();
    UpdateRowCount();
    PlaceRows(*this, places);
    FSelectionStale = true;
    SetSortArrow(FColumns.empty() ? -1 : SortColumn(), Ascending());
}

bool TStShellListView::ReadFolderAgain() {
    if (!FCurrentFolder || !FController || FScan) return false;
    if (FCurrentFolder->IsFileSystem && !SystemDirLister().FolderExists(FCurrentFolder->Path)) return false;
    TBusyScope busy;
    TFlagScope filling(FFilling);
    // The new items; after the swap below, the old ones, freed once the rows show the new.
    TStShellItemList fresh, oldFiltered;
    {
        struct TSinkScope {
            TStShellItemList*& Sink;
            TStShellItemList* Old;
            TStShellListView& List;
            ~TSinkScope() {
                Sink = Old;
                List.DropFolderData();
            }
        } sinkScope{FSinkList, std::exchange(FSinkList, &fresh), *this};
        FFolderIsFileSystem = FCurrentFolder->IsFileSystem || FCurrentFolder->IsDesktop;
        // Figures are asked again: the service answers the unchanged folders at once.
        FModel->Reset();
        FPendingFigures.clear();
        ReadChildren(FCurrentFolder->AbsoluteIdList.get(), *FCurrentFolder);
    }
    // Where the rows stand now: the user may have moved them while the folder was read.
    const TRowPlaces places = RowPlaces(*this);
    const TStShellItem* changed = FChangedItem;
    FFullList.Storage().swap(fresh.Storage());
    FFilteredList.Storage().swap(oldFiltered.Storage());
    CompareFilled();
    SortList();
    RequestPendingFigures();
    if (!FileFilter().empty() && Filtered()) CopyMaskedItems();
    UpdateRowCount();
    FChangedItem = nullptr;
    if (changed) {
        const std::vector<int> rows = RowsOf(*this, {changed});
        if (rows[0] >= 0) FChangedItem = RowItem(rows[0]);
    }
    PlaceRows(*this, places);
    FSelectionStale = true;
    return true;
}
