#pragma once
// Pop-up menus. The menu is built afresh each time it opens, so captions and check marks always
// show the current state of the items and their actions.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/ActnList.h"
#include "ui/Component.h"

class TPopupMenu;

class TMenuItem : public TComponent, private TActionClient {
public:
    // A new item at the end of the menu; the caption "-" makes a separator.
    TMenuItem(TPopupMenu* menu, const std::string& name, const std::string& caption = {});
    ~TMenuItem() override;

    TAction* Action() const { return FAction; }
    // Binds the item: caption, hint, shortcut, enabled and checked state follow the action.
    void SetAction(TAction* action);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption) { FCaption = caption; }
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the other items of its group in the same menu.
    void SetChecked(bool checked);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool on) { FRadioItem = on; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index) { FGroupIndex = index; }
    // The default item is drawn bold.
    bool Default() const { return FDefault; }
    void SetDefault(bool on) { FDefault = on; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on) { FEnabled = on; }
    bool IsSeparator() const { return FCaption == "-"; }
    TShortCut ShortCut() const { return FAction ? FAction->ShortCut() : 0; }

    // What choosing the item does: runs its action, or OnClick.
    void Click();
    TNotifyEvent OnClick;

private:
    void ActionChanged(TAction* action) override;

    TPopupMenu* FMenu;
    TAction* FAction = nullptr;
    std::string FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FDefault = false;
    bool FEnabled = true;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(index); }
    TMenuItem* Find(const std::string& caption) const;

    // Opens the menu at a screen point (owned by the window) and runs the chosen item. Returns the
    // chosen item, or null when the menu was dismissed.
    TMenuItem* Popup(int x, int y, HWND owner = nullptr);
    // Builds the system menu as it would show now; the caller destroys it. Item ids are index + 1.
    HMENU BuildMenu() const;

    // Raised just before the menu opens.
    TNotifyEvent OnPopup;

private:
    friend class TMenuItem;
    std::vector<TMenuItem*> FItems;
};
