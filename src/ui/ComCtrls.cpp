#include "ui/ComCtrls.h"

#include <algorithm>

#include "platform/WinText.h"
#include "ui/Forms.h"
#include "ui/ImageList.h"
#include "ui/Menus.h"

// ---------------------------------------------------------------------------------------------------------------
// TToolButton

TToolButton::TToolButton(TToolBar* bar, const std::string& name, TToolButtonStyle style, int width, TControl* control)
    : TComponent(bar), FToolBar(bar), FStyle(style), FId(bar->FNextId++), FWidth(width), FControl(control) {
    SetName(name);
}

TToolButton::~TToolButton() {
    if (FAction) FAction->RemoveClient(this);
    auto& list = FToolBar->FButtons;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) {
        if (FToolBar->Handle())
            ::SendMessageW(FToolBar->Handle(), TB_DELETEBUTTON, static_cast<WPARAM>(it - list.begin()), 0);
        list.erase(it);
    }
}

int TToolButton::Index() const {
    auto& list = FToolBar->FButtons;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TToolButton::SetAction(TAction* action) {
    if (FAction) FAction->RemoveClient(this);
    FAction = action;
    if (FAction) FAction->AddClient(this);
    ActionChanged(FAction);
}

void TToolButton::ActionChanged(TAction* action) {
    if (!action) {
        FAction = nullptr;
        return;
    }
    FImageIndex = action->ImageIndex();
    FHint = action->Hint();
    FToolBar->SyncButton(this);
}

bool TToolButton::Down() const {
    LRESULT state = ::SendMessageW(FToolBar->Handle(), TB_GETSTATE, FId, 0);
    return state != -1 && (state & TBSTATE_CHECKED);
}

RECT TToolButton::ItemRect() const {
    RECT r{};
    ::SendMessageW(FToolBar->Handle(), TB_GETITEMRECT, Index(), reinterpret_cast<LPARAM>(&r));
    return r;
}

void TToolButton::Click() {
    if (FAction) FAction->Execute();
    // The pressed look follows the action even when the system toggled it on its own.
    if (FAction) FToolBar->SyncButton(this);
}

void TToolButton::ClickArrow() {
    if (!FDropdownMenu) return;
    RECT r = ItemRect();
    POINT p{r.left, r.bottom};
    ::ClientToScreen(FToolBar->Handle(), &p);
    FDropdownMenu->Popup(p.x, p.y, FToolBar->ParentForm() ? FToolBar->ParentForm()->Handle() : nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// TToolBar

TToolBar::TToolBar(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent) {
    SetBounds(0, 0, 150, 29);
    SetCursor(crHandPoint);
    CreateHandle(TOOLBARCLASSNAMEW,
                 WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                 WS_EX_CONTROLPARENT);  // Tab reaches the hosted controls
    ::SendMessageW(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(Handle(), TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    // The tool tips ask the bar for their texts; let them find the bar's object.
    if (HWND tips = reinterpret_cast<HWND>(::SendMessageW(Handle(), TB_GETTOOLTIPS, 0, 0)))
        ::SetPropW(tips, L"VsControl", static_cast<TControl*>(this));
}

void TToolBar::SetImages(TImageList* images) {
    FImages = images;
    ApplyButtonSize();
}

void TToolBar::ApplyButtonSize() {
    if (FImages) {
        ::SendMessageW(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle(Dpi())));
        int s = FImages->SizeForDpi(Dpi());
        ::SendMessageW(Handle(), TB_SETBITMAPSIZE, 0, MAKELPARAM(s, s));
        ::SendMessageW(Handle(), TB_SETBUTTONSIZE, 0, MAKELPARAM(s + Scale(7), s + Scale(6)));
    }
    ::SendMessageW(Handle(), TB_AUTOSIZE, 0, 0);
    PlaceControls();
}

TToolButton* TToolBar::Insert(const std::string& name, TToolButtonStyle style, int width, TControl* control) {
    auto* b = new TToolButton(this, name, style, width, control);
    FButtons.push_back(b);
    TBBUTTON tb{};
    tb.idCommand = b->FId;
    tb.fsState = TBSTATE_ENABLED;
    if (style == tbsSeparator || style == tbsControl) {
        tb.fsStyle = BTNS_SEP;
        tb.iBitmap = width;  // a separator's width
    } else {
        tb.fsStyle = static_cast<BYTE>(BTNS_BUTTON | (style == tbsDropDown ? BTNS_DROPDOWN : 0));
        tb.iBitmap = I_IMAGENONE;
    }
    ::SendMessageW(Handle(), TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&tb));
    PlaceControls();
    return b;
}

TToolButton* TToolBar::AddButton(const std::string& name, TAction* action, TToolButtonStyle style) {
    TToolButton* b = Insert(name, style, 0, nullptr);
    b->SetAction(action);
    return b;
}

TToolButton* TToolBar::AddSeparator(const std::string& name, int designWidth) {
    return Insert(name, tbsSeparator, Scale(designWidth), nullptr);
}

TToolButton* TToolBar::AddControl(const std::string& name, TControl* control) {
    return Insert(name, tbsControl, control->Width(), control);
}

TToolButton* TToolBar::FindButton(int commandId) const {
    for (TToolButton* b : FButtons)
        if (b->FId == commandId) return b;
    return nullptr;
}

int TToolBar::SystemButtonCount() const {
    return static_cast<int>(::SendMessageW(Handle(), TB_BUTTONCOUNT, 0, 0));
}

void TToolBar::SyncButton(TToolButton* b) {
    if (b->FStyle == tbsSeparator || b->FStyle == tbsControl) return;
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE | TBIF_STATE;
    info.iImage = b->FImageIndex >= 0 ? b->FImageIndex : I_IMAGENONE;
    BYTE state = 0;
    if (!b->FAction || b->FAction->Enabled()) state |= TBSTATE_ENABLED;
    if (b->FAction && b->FAction->Checked()) state |= TBSTATE_CHECKED;
    info.fsState = state;
    ::SendMessageW(Handle(), TB_SETBUTTONINFOW, b->FId, reinterpret_cast<LPARAM>(&info));
}

void TToolBar::PlaceControls() {
    for (TToolButton* b : FButtons) {
        if (!b->FControl) continue;
        RECT r = b->ItemRect();
        TControl* c = b->FControl;
        // Centred vertically in the bar.
        c->SetBounds(r.left, std::max(0, (Height() - c->Height()) / 2), r.right - r.left, c->Height());
    }
}

void TToolBar::Resized() {
    TWinControl::Resized();
    PlaceControls();
}

void TToolBar::ChangeScale(int newDpi, int oldDpi) {
    TWinControl::ChangeScale(newDpi, oldDpi);
    for (TToolButton* b : FButtons) {
        if (b->FStyle != tbsSeparator && b->FStyle != tbsControl) continue;
        b->FWidth = b->FControl ? b->FControl->Width() : ::MulDiv(b->FWidth, newDpi, oldDpi);
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_SIZE;
        info.cx = static_cast<WORD>(b->FWidth);
        ::SendMessageW(Handle(), TB_SETBUTTONINFOW, b->FId, reinterpret_cast<LPARAM>(&info));
    }
    ApplyButtonSize();
}

bool TToolBar::HandleCommand(WORD code, WORD id, LRESULT& result) {
    TToolButton* b = FindButton(id);
    if (!b) return false;
    b->Click();
    return true;
}

namespace {
// Wine draws the drop-down arrows with the Marlett font; a prefix without it shows none.
bool HasMarlett() {
    static int known = -1;
    if (known < 0) {
        TWindowDc dc(nullptr);
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        wcscpy(lf.lfFaceName, L"Marlett");
        known = 0;
        ::EnumFontFamiliesExW(
            dc.Get(), &lf,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lp) -> int {
                *reinterpret_cast<int*>(lp) = 1;
                return 0;
            },
            reinterpret_cast<LPARAM>(&known), 0);
    }
    return known == 1;
}
}  // namespace

bool TToolBar::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == NM_CUSTOMDRAW && !HasMarlett()) {
        auto* cd = reinterpret_cast<NMTBCUSTOMDRAW*>(hdr);
        switch (cd->nmcd.dwDrawStage) {
            case CDDS_PREPAINT:
                result = CDRF_NOTIFYITEMDRAW;
                return true;
            case CDDS_ITEMPREPAINT:
                result = CDRF_NOTIFYPOSTPAINT;
                return true;
            case CDDS_ITEMPOSTPAINT: {
                TToolButton* b = FindButton(static_cast<int>(cd->nmcd.dwItemSpec));
                if (b && b->FStyle == tbsDropDown) {
                    // Our own arrow in the arrow part at the right of the button.
                    const RECT& r = cd->nmcd.rc;
                    int cx = r.right - Scale(11) / 2 - 1, cy = (r.top + r.bottom) / 2, h = std::max(2, Scale(3));
                    POINT pts[3] = {{cx - h, cy - h / 2}, {cx + h + 1, cy - h / 2}, {cx, cy + h / 2 + 1}};
                    TCanvas canvas(cd->nmcd.hdc);
                    canvas.SetBrush(clBtnText);
                    canvas.SetPen(clBtnText);
                    canvas.Polygon(pts, 3);
                }
                result = CDRF_DODEFAULT;
                return true;
            }
            default:
                result = CDRF_DODEFAULT;
                return true;
        }
    }
    if (hdr->code == TBN_DROPDOWN) {
        auto* nm = reinterpret_cast<NMTOOLBARW*>(hdr);
        if (TToolButton* b = FindButton(nm->iItem)) b->ClickArrow();
        result = TBDDRET_DEFAULT;
        return true;
    }
    if (hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        TToolButton* b = FindButton(static_cast<int>(hdr->idFrom));
        FTipText = b ? Widen(b->Hint()) : std::wstring();
        info->lpszText = FTipText.data();
        return true;
    }
    return false;
}

LRESULT TToolBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (hdr->code == TTN_GETDISPINFOW && HandleNotify(hdr, result)) return result;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------------------------
// TStatusBar

TStatusBar::TStatusBar(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent) {
    SetBounds(0, 0, 200, 19);
    CreateHandle(STATUSCLASSNAMEW, SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER);
}

void TStatusBar::AddPanel(int width) {
    FWidths.push_back(width);
    FTexts.emplace_back();
    ApplyParts();
}

void TStatusBar::SetPanelWidth(int index, int width) {
    FWidths.at(index) = width;
    ApplyParts();
}

void TStatusBar::SetPanelText(int index, const std::string& text) {
    if (FTexts.at(index) == text) return;
    FTexts.at(index) = text;
    ::SendMessageW(Handle(), SB_SETTEXTW, index, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void TStatusBar::ApplyParts() {
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < FWidths.size(); ++i) {
        x += FWidths[i];
        edges.push_back(i + 1 == FWidths.size() ? -1 : x);
    }
    ::SendMessageW(Handle(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < FTexts.size(); ++i)
        ::SendMessageW(Handle(), SB_SETTEXTW, i, reinterpret_cast<LPARAM>(Widen(FTexts[i]).c_str()));
}

std::vector<int> TStatusBar::SystemPartEdges() const {
    int n = static_cast<int>(::SendMessageW(Handle(), SB_GETPARTS, 0, 0));
    std::vector<int> edges(std::max(n, 0));
    if (n > 0) ::SendMessageW(Handle(), SB_GETPARTS, n, reinterpret_cast<LPARAM>(edges.data()));
    return edges;
}

void TStatusBar::ChangeScale(int newDpi, int oldDpi) {
    TWinControl::ChangeScale(newDpi, oldDpi);
    for (int& w : FWidths) w = ::MulDiv(w, newDpi, oldDpi);
    ApplyParts();
}

// ---------------------------------------------------------------------------------------------------------------
// TListView

TListView::TListView(TComponent* owner, TWinControl* parent, const TListViewOptions& options)
    : TWinControl(owner, parent), FOptions(options) {
    SetBounds(0, 0, 250, 150);
    // No header until there are columns to show in it.
    DWORD style = LVS_REPORT | LVS_SHAREIMAGELISTS | LVS_NOCOLUMNHEADER | WS_TABSTOP | WS_CLIPCHILDREN;
    if (options.OwnerData) style |= LVS_OWNERDATA;
    if (!options.MultiSelect) style |= LVS_SINGLESEL;
    if (!options.ReadOnly) style |= LVS_EDITLABELS;
    if (!options.HideSelection) style |= LVS_SHOWSELALWAYS;
    CreateHandle(WC_LISTVIEWW, style, WS_EX_CLIENTEDGE);
    DWORD ex = LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP | (options.RowSelect ? LVS_EX_FULLROWSELECT : 0);
    ListView_SetExtendedListViewStyle(Handle(), ex);
    SetColor(clWindow);
}

int TListView::AddColumn(const std::string& caption, int designWidth, TAlignment alignment) {
    std::wstring w = Widen(caption);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = alignment == taRightJustify ? LVCFMT_RIGHT : alignment == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
    col.cx = Scale(designWidth);
    col.pszText = w.data();
    int index = ColumnCount();
    col.iSubItem = index;
    if (index == 0) {
        LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
        ::SetWindowLongPtrW(Handle(), GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_NOCOLUMNHEADER));
    }
    FAlignments.push_back(alignment);
    return static_cast<int>(::SendMessageW(Handle(), LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col)));
}

int TListView::ColumnCount() const {
    HWND header = ListView_GetHeader(Handle());
    return header ? Header_GetItemCount(header) : 0;
}

std::string TListView::ColumnCaption(int index) const {
    wchar_t buf[260] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buf;
    col.cchTextMax = 260;
    ::SendMessageW(Handle(), LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
    return Narrow(buf);
}

int TListView::ColumnWidth(int index) const {
    return ListView_GetColumnWidth(Handle(), index);
}

TAlignment TListView::ColumnAlignment(int index) const {
    LVCOLUMNW col{};
    col.mask = LVCF_FMT;
    ::SendMessageW(Handle(), LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
    switch (col.fmt & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_RIGHT:
            return taRightJustify;
        case LVCFMT_CENTER:
            return taCenter;
        default:
            return taLeftJustify;
    }
}

void TListView::SetSmallImages(TImageList* images) {
    FImages = images;
    ListView_SetImageList(Handle(), images ? images->Handle(Dpi()) : nullptr, LVSIL_SMALL);
}

int TListView::ItemCount() const {
    return ListView_GetItemCount(Handle());
}

int TListView::AddItem(const TListItemData& item, LPARAM data) {
    std::wstring w = Widen(item.Caption);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lv.iItem = ItemCount();
    lv.pszText = w.data();
    lv.iImage = item.ImageIndex;
    lv.lParam = data;
    int index = static_cast<int>(::SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    if (index < 0) throw Exception("Unable to add a list item");
    for (size_t i = 0; i < item.SubItems.size(); ++i) {
        std::wstring s = Widen(item.SubItems[i]);
        ListView_SetItemText(Handle(), index, static_cast<int>(i + 1), s.data());
    }
    return index;
}

void TListView::SetItem(int index, const TListItemData& item) {
    std::wstring w = Widen(item.Caption);
    LVITEMW lv{};
    lv.mask = LVIF_TEXT | LVIF_IMAGE;
    lv.iItem = index;
    lv.pszText = w.data();
    lv.iImage = item.ImageIndex;
    ::SendMessageW(Handle(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
    for (size_t i = 0; i < item.SubItems.size(); ++i) {
        std::wstring s = Widen(item.SubItems[i]);
        ListView_SetItemText(Handle(), index, static_cast<int>(i + 1), s.data());
    }
}

TListItemData TListView::Item(int index) const {
    if (index < 0 || index >= ItemCount()) throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    TListItemData item;
    int columns = std::max(ColumnCount(), 1);
    for (int c = 0; c < columns; ++c) {
        wchar_t buf[1024] = {};
        LVITEMW lv{};
        lv.iSubItem = c;
        lv.pszText = buf;
        lv.cchTextMax = 1024;
        ::SendMessageW(Handle(), LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&lv));
        if (c == 0)
            item.Caption = Narrow(buf);
        else
            item.SubItems.push_back(Narrow(buf));
    }
    LVITEMW lv{};
    lv.mask = LVIF_IMAGE;
    lv.iItem = index;
    ::SendMessageW(Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
    item.ImageIndex = lv.iImage;
    return item;
}

LPARAM TListView::ItemData(int index) const {
    LVITEMW lv{};
    lv.mask = LVIF_PARAM;
    lv.iItem = index;
    ::SendMessageW(Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
    return lv.lParam;
}

void TListView::DeleteItem(int index) {
    ListView_DeleteItem(Handle(), index);
}

void TListView::Clear() {
    FCacheIndex = -1;
    if (FOptions.OwnerData)
        SetItemCount(0);
    else
        ListView_DeleteAllItems(Handle());
}

void TListView::SetItemCount(int count) {
    FCacheIndex = -1;
    ::SendMessageW(Handle(), LVM_SETITEMCOUNT, count, 0);
    Invalidate();
}

void TListView::RowsChanged(int first, int last) {
    FCacheIndex = -1;
    int count = ItemCount();
    if (count == 0) return;
    if (last < 0 || last >= count) last = count - 1;
    if (first < 0) first = 0;
    // Only rows on screen need redrawing; the others are asked for when they scroll into view.
    int top = std::max(ListView_GetTopIndex(Handle()), 0);
    int bottom = top + ListView_GetCountPerPage(Handle()) + 1;
    first = std::max(first, top);
    last = std::min(last, bottom);
    if (first <= last) ListView_RedrawItems(Handle(), first, last);
}

void TListView::SetDropHighlight(int row) {
    if (row == FDropRow) return;
    int old = FDropRow;
    FDropRow = row;
    if (old >= 0) ListView_RedrawItems(Handle(), old, old);
    if (row >= 0) ListView_RedrawItems(Handle(), row, row);
}

void TListView::EditCaption(int index) {
    ::SetFocus(Handle());
    ::SendMessageW(Handle(), LVM_EDITLABELW, index, 0);
}

int TListView::TopIndex() const {
    return ListView_GetTopIndex(Handle());
}

void TListView::SetSharedImages(HIMAGELIST small, HIMAGELIST large) {
    FImages = nullptr;
    ListView_SetImageList(Handle(), small, LVSIL_SMALL);
    ListView_SetImageList(Handle(), large, LVSIL_NORMAL);
    // Overlays and the cut state come through the row callback of a virtual list.
    ListView_SetCallbackMask(Handle(), LVIS_OVERLAYMASK | LVIS_CUT | LVIS_DROPHILITED);
}

void TListView::ClearColumns() {
    FCacheIndex = -1;
    while (ColumnCount() > 0) ListView_DeleteColumn(Handle(), 0);
    FAlignments.clear();
}

TViewStyle TListView::ViewStyle() const {
    switch (::GetWindowLongPtrW(Handle(), GWL_STYLE) & LVS_TYPEMASK) {
        case LVS_ICON:
            return vsIcon;
        case LVS_SMALLICON:
            return vsSmallIcon;
        case LVS_LIST:
            return vsList;
        default:
            return vsReport;
    }
}

void TListView::SetViewStyle(TViewStyle style) {
    static const DWORD styles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    LONG_PTR old = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    LONG_PTR now = (old & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | styles[style];
    if (now != old) ::SetWindowLongPtrW(Handle(), GWL_STYLE, now);
}

void TListView::SetSortArrow(int column, bool ascending) {
    HWND header = ListView_GetHeader(Handle());
    if (!header) return;
    for (int i = 0, n = Header_GetItemCount(header); i < n; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        int fmt = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        if (fmt != item.fmt) {
            item.fmt = fmt;
            Header_SetItem(header, i, &item);
        }
    }
}

int TListView::SortArrowColumn(bool* ascending) const {
    HWND header = ListView_GetHeader(Handle());
    for (int i = 0, n = header ? Header_GetItemCount(header) : 0; i < n; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
            if (ascending) *ascending = (item.fmt & HDF_SORTUP) != 0;
            return i;
        }
    }
    return -1;
}

int TListView::SelectedIndex() const {
    return ListView_GetNextItem(Handle(), -1, LVNI_SELECTED);
}

std::vector<int> TListView::SelectedIndices() const {
    std::vector<int> out;
    for (int i = ListView_GetNextItem(Handle(), -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(Handle(), i, LVNI_SELECTED))
        out.push_back(i);
    return out;
}

void TListView::SetSelected(int index, bool selected) {
    UINT state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    ListView_SetItemState(Handle(), index, state, LVIS_SELECTED | LVIS_FOCUSED);
}

int TListView::FocusedIndex() const {
    return ListView_GetNextItem(Handle(), -1, LVNI_FOCUSED);
}

void TListView::EnsureVisible(int index) {
    ListView_EnsureVisible(Handle(), index, FALSE);
}

bool TListView::HandleNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            LVITEMW& lv = info->item;
            if (!OnData) return true;
            if (lv.iItem != FCacheIndex) {
                FCache = TListItemData{};
                OnData(this, lv.iItem, FCache);
                FCacheIndex = lv.iItem;
            }
            if (lv.mask & LVIF_TEXT) {
                const std::string& text = lv.iSubItem == 0 ? FCache.Caption
                                          : static_cast<size_t>(lv.iSubItem) <= FCache.SubItems.size()
                                              ? FCache.SubItems[lv.iSubItem - 1]
                                              : std::string();
                FTextBuffer = Widen(text);
                if (lv.cchTextMax > 0) {
                    size_t n = std::min(FTextBuffer.size(), static_cast<size_t>(lv.cchTextMax - 1));
                    std::copy_n(FTextBuffer.c_str(), n, lv.pszText);
                    lv.pszText[n] = 0;
                }
            }
            if (lv.mask & LVIF_IMAGE) lv.iImage = FCache.ImageIndex;
            if (lv.mask & LVIF_STATE) {
                lv.stateMask |= LVIS_OVERLAYMASK | LVIS_CUT | LVIS_DROPHILITED;
                lv.state &= ~(LVIS_OVERLAYMASK | LVIS_CUT | LVIS_DROPHILITED);
                if (FCache.OverlayIndex >= 0) lv.state |= INDEXTOOVERLAYMASK(FCache.OverlayIndex + 1);
                if (FCache.Cut) lv.state |= LVIS_CUT;
                if (lv.iItem == FDropRow && FDropRow >= 0) lv.state |= LVIS_DROPHILITED;
            }
            return true;
        }
        case LVN_ODCACHEHINT: {
            auto* hint = reinterpret_cast<NMLVCACHEHINT*>(hdr);
            if (OnCacheHint) OnCacheHint(this, hint->iFrom, hint->iTo);
            return true;
        }
        case LVN_ODFINDITEMW: {
            auto* find = reinterpret_cast<NMLVFINDITEMW*>(hdr);
            result = -1;
            if (OnFindItem) {
                TListFindRequest request;
                const LVFINDINFOW& info = find->lvfi;
                request.ByData = (info.flags & LVFI_PARAM) != 0;
                request.Data = info.lParam;
                request.Partial = (info.flags & LVFI_PARTIAL) != 0;
                request.Wrap = (info.flags & LVFI_WRAP) != 0;
                if ((info.flags & (LVFI_STRING | LVFI_PARTIAL)) && info.psz) request.Text = Narrow(info.psz);
                result = OnFindItem(this, find->iStart, request);
            }
            return true;
        }
        case LVN_ODSTATECHANGED: {
            auto* nm = reinterpret_cast<NMLVODSTATECHANGE*>(hdr);
            if (((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && OnSelectItem)
                OnSelectItem(this, nm->iFrom, (nm->uNewState & LVIS_SELECTED) != 0);
            return true;
        }
        case LVN_BEGINLABELEDITW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            bool allow = true;
            if (OnEditing) OnEditing(this, info->item.iItem, allow);
            result = allow ? FALSE : TRUE;
            return true;
        }
        case LVN_BEGINDRAG:
        case LVN_BEGINRDRAG:
            if (OnBeginDrag) OnBeginDrag(this, reinterpret_cast<NMLISTVIEW*>(hdr)->iItem);
            return true;
        case LVN_ITEMCHANGED: {
            auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && OnSelectItem)
                OnSelectItem(this, nm->iItem, (nm->uNewState & LVIS_SELECTED) != 0);
            return true;
        }
        case NM_CUSTOMDRAW: {
            if (!OnItemColor) return false;
            auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
                result = CDRF_NOTIFYITEMDRAW;
            } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                TColor c = OnItemColor(this, static_cast<int>(cd->nmcd.dwItemSpec));
                if (c != clNone) cd->clrText = ColorToRGB(c);
                result = CDRF_DODEFAULT;
            } else {
                result = CDRF_DODEFAULT;
            }
            return true;
        }
        case LVN_ENDLABELEDITW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
            bool accept = info->item.pszText != nullptr;
            if (accept && OnEdited) OnEdited(this, info->item.iItem, Narrow(info->item.pszText), accept);
            result = accept ? TRUE : FALSE;
            return true;
        }
        case LVN_COLUMNCLICK:
            if (OnColumnClick) OnColumnClick(this, reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
            return true;
        case NM_DBLCLK:
            if (OnDblClick) OnDblClick(this);
            return true;
        case NM_CLICK:
            if (OnClick) OnClick(this);
            return true;
        default:
            return false;
    }
}

void TListView::ChangeScale(int newDpi, int oldDpi) {
    TWinControl::ChangeScale(newDpi, oldDpi);
    for (int i = 0, n = ColumnCount(); i < n; ++i)
        ListView_SetColumnWidth(Handle(), i, ::MulDiv(ColumnWidth(i), newDpi, oldDpi));
    if (FImages) ListView_SetImageList(Handle(), FImages->Handle(newDpi), LVSIL_SMALL);
}
