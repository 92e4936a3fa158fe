#include "ui/Menus.h"

#include <algorithm>

#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "ui/Forms.h"

TMenuItem::TMenuItem(TPopupMenu* menu, const std::string& name, const std::string& caption)
    : TComponent(menu), FMenu(menu), FCaption(caption) {
    SetName(name);
    FMenu->FItems.push_back(this);
}

TMenuItem::~TMenuItem() {
    if (FAction) FAction->RemoveClient(this);
    auto& items = FMenu->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

void TMenuItem::SetAction(TAction* action) {
    if (FAction) FAction->RemoveClient(this);
    FAction = action;
    if (FAction) {
        FAction->AddClient(this);
        FCaption = FAction->Caption();
        FEnabled = FAction->Enabled();
    }
}

void TMenuItem::ActionChanged(TAction* action) {
    if (!action) {
        FAction = nullptr;
        return;
    }
    FCaption = action->Caption();
    FEnabled = action->Enabled();
    if (action->Checked() != FChecked) SetChecked(action->Checked());
}

void TMenuItem::SetChecked(bool checked) {
    FChecked = checked;
    if (checked && FRadioItem)
        for (TMenuItem* other : FMenu->FItems)
            if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex) other->FChecked = false;
}

void TMenuItem::Click() {
    if (FAction)
        FAction->Execute();
    else if (OnClick)
        OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TMenuItem* TPopupMenu::Find(const std::string& caption) const {
    for (TMenuItem* item : FItems)
        if (item->Caption() == caption) return item;
    return nullptr;
}

HMENU TPopupMenu::BuildMenu() const {
    HMENU menu = ::CreatePopupMenu();
    for (size_t i = 0; i < FItems.size(); ++i) {
        const TMenuItem* item = FItems[i];
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        if (item->IsSeparator()) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            std::string text = item->Caption();
            if (TShortCut sc = item->ShortCut()) text += "\t" + ShortCutToText(sc);
            std::wstring w = Widen(text);
            mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
            mi.fType = MFT_STRING | (item->RadioItem() ? MFT_RADIOCHECK : 0);
            mi.fState = (item->Checked() ? MFS_CHECKED : 0) | (item->Enabled() ? 0 : MFS_DISABLED) |
                        (item->Default() ? MFS_DEFAULT : 0);
            mi.wID = static_cast<UINT>(i + 1);
            mi.dwTypeData = w.data();
            ::InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &mi);
            continue;
        }
        ::InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &mi);
    }
    return menu;
}

TMenuItem* TPopupMenu::Popup(int x, int y, HWND owner) {
    if (OnPopup) OnPopup(this);
    TMenuHandle menu(BuildMenu());
    if (!owner) owner = ::GetActiveWindow();
    if (!owner && Application->MainForm()) owner = Application->MainForm()->Handle();
    // The owner must be the foreground window, or the menu does not close when clicking elsewhere.
    ::SetForegroundWindow(owner);
    UINT id = static_cast<UINT>(::TrackPopupMenu(
        menu.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
    if (id == 0 || id > FItems.size()) return nullptr;
    TMenuItem* item = FItems[id - 1];
    item->Click();
    return item;
}
