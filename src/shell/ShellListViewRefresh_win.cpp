// The folder list's refresh: the rows shown again after the mask changed, or the current folder read
// again after a change on disk. A re-read builds the new items beside the old ones, which stay on
// screen while the folder is read (the filter event lets messages run meanwhile, so the list is
// painted then); then the row count changes once, and the selection, the focus and the top row follow
// their items to the rows these have now. The list never shows an empty or blank state in between.
#include "shell/ShellListView_win.h"
// after windows.h
#include <commctrl.h>

#include <algorithm>

#include "platform/DirList.h"
#include "platform/FlagScope.h"
#include "ui/Forms.h"

namespace {

// Where the rows stood, by id.
struct TRowPlaces {
    std::vector<TRowId> Selected;
    TRowId Focused = 0;
    TRowId Top = 0;
    int FirstSelected = -1;
};

// The places of the control's rows, which showed the rows with the ids before (by row).
TRowPlaces RowPlaces(TStShellListView& list, const std::vector<TRowId>& before) {
    auto idOf = [&](int row) { return row >= 0 && row < static_cast<int>(before.size()) ? before[row] : 0; };
    TRowPlaces places;
    for (int row : list.SelectedIndices())
        if (const TRowId id = idOf(row)) {
            if (places.Selected.empty()) places.FirstSelected = row;
            places.Selected.push_back(id);
        }
    places.Focused = idOf(list.FocusedIndex());
    places.Top = idOf(list.TopIndex());
    return places;
}

void PlaceRows(TStShellListView& list, const TRowPlaces& places) {
    const HWND h = list.Handle();
    const int count = list.ItemCount();
    const TFolderModel& model = list.Model();
    const int focused = model.RowOf(places.Focused), top = model.RowOf(places.Top);

    // The selected rows that are still there; when none is, the row where the first one was.
    std::vector<int> selected;
    for (TRowId id : places.Selected)
        if (const int row = model.RowOf(id); row >= 0) selected.push_back(row);
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
    ::SendMessageW(Handle(), LVM_SETITEMCOUNT, FModel->RowCount(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    RowsChanged();  // forgets the row last asked for
    Invalidate();
}

void TStShellListView::FollowRows(const std::vector<TRowId>& before) {
    const TRowPlaces places = RowPlaces(*this, before);
    UpdateRowCount();
    PlaceRows(*this, places);
    FSelectionStale = true;
    SetSortArrow(FColumns.empty() ? -1 : FModel->SortColumn(), FModel->Ascending());
}

void TStShellListView::Refresh(bool reenumerate) {
    if (reenumerate) {
        if (!Defer(dwFillingOrBusy, [this] { Refresh(true); })) ReadFolderAgain();
        return;
    }
    // The model sorts again, and the rows follow its change.
    FModel->Resort();
}

bool TStShellListView::ReadFolderAgain() {
    if (!FCurrentFolder || !FController || FScan) return false;
    if (FCurrentFolder->IsFileSystem && !SystemDirLister().FolderExists(FCurrentFolder->Path)) return false;
    TBusyScope busy;
    TFlagScope filling(FFilling);
    TStShellItemList fresh;
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
    CompareFilled(fresh);
    // The rows read again keep their ids (an item without a path is the same when its identifier list
    // is), and the selection, the focus and the top row follow them (where they stand now: the user may
    // have moved them while the folder was read).
    FModel->UpdateRows(std::move(fresh), [](const TStShellItem& a, const TStShellItem& b) {
        const TPidl pa = a.FullIdList(), pb = b.FullIdList();
        return pa && pb && SamePidl(pa.get(), pb.get());
    });
    RequestPendingFigures();
    return true;
}
