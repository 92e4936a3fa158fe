#include "shell/ShellComboBox.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/WinText.h"
#include "ui/Forms.h"

namespace {

// The system's small image list (owned by the system).
HIMAGELIST SmallSystemImages() {
    SHFILEINFOW info = {};
    return reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace

TStCustomShellComboBox::TStCustomShellComboBox(TComponent* owner, TWinControl* parent)
    : TComboBox(owner, parent, csOwnerDrawFixed, TDeferCreate{}) {
    CreateWnd();
    FNotification = new TStShellNotification(this);
    FNotification->SetSpecialWatchFolder(sfDesktop);
    FNotification->SetWatchSubFolders(false);
    FNotification->SetNotifyEvents({neDriveAdd, neDriveRemove, neShellDriveAdd});
    FNotification->OnShellChangeNotify = [this](TObject*, const TStNotifyItem* a, const TStNotifyItem*,
                                                TStNotifyEventsSet) { DriveChanged(a); };
    FNotification->SetActive(true);
    FillEntries();
    if (!Linked()) SetItemIndex(0);
}

TStCustomShellComboBox::~TStCustomShellComboBox() = default;

void TStCustomShellComboBox::FillEntries() {
    // The image list and its icon size serve every item drawn until the next fill.
    FImages = SmallSystemImages();
    FIconWidth = FIconHeight = 16;
    if (FImages) {
        int w = 0, h = 0;
        if (::ImageList_GetIconSize(FImages, &w, &h)) {
            FIconWidth = w;
            FIconHeight = h;
        }
    }
    FShareOverlay = kOverlayUnread;
    // Item height: the small icons or the text "Aj", whichever is taller.
    TWindowDc dc(Handle());
    TCanvas canvas(dc.Get(), Dpi());
    canvas.SetFont(Font());
    SetItemHeight(std::max(FIconHeight, canvas.TextHeight("Aj")));

    FEntries.Fill(ListOpenDialogMode && ListOpenDialogMode());
    SyncTexts();
}

void TStCustomShellComboBox::SyncTexts() {
    ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (const auto& text : FEntries.Texts()) Add(text);
    ::SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    Invalidate();
}

void TStCustomShellComboBox::Remember(const TStComboFolder& folder) {
    FPrevious = folder.Clone();
}

void TStCustomShellComboBox::ShowPath(const TStComboFolder& folder) {
    int index = FEntries.ShowPath(folder);
    SyncTexts();
    SetItemIndex(index);
    Invalidate();
}

void TStCustomShellComboBox::SelectFolder(const TStComboFolder& folder, bool listNavigated) {
    if (OnFolderChanging && FPrevious) OnFolderChanging(this, *FPrevious);
    if (listNavigated) {
        SetItemIndex(FEntries.IndexOfText(folder.DisplayName));
        Remember(folder);
        return;
    }
    if (OnFolderSelected) OnFolderSelected(this, folder);
    Remember(folder);
    ShowPath(folder);
}

void TStCustomShellComboBox::PickEntry(int index) {
    if (index < 0 || index >= FEntries.Count()) return;
    if (OnFolderChanging && FPrevious) OnFolderChanging(this, *FPrevious);
    auto chosen = FEntries.At(index).Clone();
    if (Linked()) {
        ListOpenFolder(*chosen);
        ShowPath(*chosen);
    }
    if (OnFolderSelected) OnFolderSelected(this, *chosen);
    Remember(*chosen);
}

void TStCustomShellComboBox::DriveChanged(const TStNotifyItem* item) {
    const int oldIndex = ItemIndex();
    const std::string oldText = oldIndex >= 0 ? Items(oldIndex) : std::string();
    FillEntries();
    if (ListCurrentFolder)
        if (auto current = ListCurrentFolder()) FEntries.ShowPath(*current), SyncTexts();
    int index = FEntries.IndexOfText(oldText);
    // The remembered place when its text is gone, or when it is the drive that came or went.
    if (index < 0 || (item && item->DisplayName == oldText)) index = std::min(oldIndex, FEntries.Count() - 1);
    SetItemIndex(index);
    PickEntry(index);
}

bool TStCustomShellComboBox::HandleCommand(WORD code, WORD id, LRESULT& result) {
    switch (code) {
        case CBN_DROPDOWN: FSelEndOk = false; return true;
        case CBN_SELENDOK: FSelEndOk = true; return true;
        case CBN_SELENDCANCEL: FSelEndOk = false; return true;
        case CBN_CLOSEUP:
            // Picked with the mouse: the list closed on a choice.
            if (std::exchange(FSelEndOk, false)) PickEntry(ItemIndex());
            return true;
        case CBN_SELCHANGE: return true;  // moving through the list is not a choice yet
        default: return TComboBox::HandleCommand(code, id, result);
    }
}

LRESULT TStCustomShellComboBox::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    // Enter on the closed box picks the selected entry; with the list open, closing it on the choice
    // does (CBN_CLOSEUP).
    if (msg == WM_KEYDOWN && wp == VK_RETURN && !DroppedDown()) {
        FSelEndOk = false;
        PickEntry(ItemIndex());
        return 0;
    }
    return TComboBox::WndProc(msg, wp, lp);
}

void TStCustomShellComboBox::DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    const TColor window = clWindow;
    canvas.FillRect(rect, window);
    if (index < 0 || index >= FEntries.Count()) return;
    const TStComboFolder& e = FEntries.At(index);
    const bool inField = state & odComboBoxEdit;
    int x = rect.left + canvas.Dpi() * (inField ? 5 : 5 + 12 * e.Level) / 96;
    const int height = rect.bottom - rect.top;
    if (FImages && e.IconIndex >= 0) {
        UINT style = ILD_TRANSPARENT;
        if (e.Shared) {
            if (FShareOverlay == kOverlayUnread) FShareOverlay = ::SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_SHARE);
            if (FShareOverlay >= 0) style |= INDEXTOOVERLAYMASK(FShareOverlay);
        }
        ::ImageList_Draw(FImages, e.IconIndex, canvas.Handle(), x, rect.top + (height - FIconHeight) / 2, style);
        x += FIconWidth;
    }
    x += canvas.Dpi() * 3 / 96;
    canvas.SetFont(Font());
    TScreenSize extent = canvas.TextExtent(e.DisplayName);
    RECT text = {x, rect.top, std::min<LONG>(rect.right, x + extent.Width + 4), rect.bottom};
    if (state & odSelected) {
        canvas.FillRect(text, clHighlight);
        canvas.SetTextColor(clHighlightText);
        if (state & odFocused) ::DrawFocusRect(canvas.Handle(), &text);
    } else {
        canvas.SetTextColor(clWindowText);
    }
    RECT textArea = {x + 2, rect.top, rect.right, rect.bottom};
    canvas.TextRect(textArea, e.DisplayName, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}
