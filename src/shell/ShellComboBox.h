#pragma once
// TStShellComboBox: the owner-drawn folder combo box above the folder list. Its drop-down shows the
// desktop, the desktop's folders, the drives, and the chain of folders down to the list's current
// folder, each indented by its level with its small system icon. Picking an entry opens that folder in
// the linked list; every listing of the list shows its folder here. Adding or removing a drive refills
// the entries.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "shell/ShellComboEntries.h"
#include "shell/ShellNotification.h"
#include "ui/StdCtrls.h"

using TStFolderSelectedEvent = std::function<void(TObject* Sender, const TStComboFolder& Folder)>;

class TStCustomShellComboBox : public TComboBox {
public:
    TStCustomShellComboBox(TComponent* owner, TWinControl* parent);
    ~TStCustomShellComboBox() override;

    std::string Version() const { return "1.02"; }

    // The link to the folder list: opening a folder in it (set: the box is linked), its current
    // folder, and whether it is in open-dialog mode. The list calls SelectFolder after every listing.
    std::function<void(const TStComboFolder& Folder)> ListOpenFolder;
    std::function<std::unique_ptr<TStComboFolder>()> ListCurrentFolder;
    std::function<bool()> ListOpenDialogMode;
    bool Linked() const { return static_cast<bool>(ListOpenFolder); }

    // Called by the list. listNavigated: the list moved by itself (selects the entry by its text);
    // otherwise the folder is reported as selected and its path shown.
    void SelectFolder(const TStComboFolder& folder, bool listNavigated);
    // Shows the folder's path (inserted entries for the chain) and selects its entry.
    void ShowPath(const TStComboFolder& folder);
    // Reads the entries again and sets the item texts.
    void FillEntries();
    // Acts as if the user had picked entry index and closed the list.
    void PickEntry(int index);
    // The drive-change path: what the box does when its notification reports a drive added or removed.
    void DriveChanged(const TStNotifyItem* item);

    TStShellComboEntries& Entries() { return FEntries; }
    const TStComboFolder* PreviousFolder() const { return FPrevious.get(); }
    TStShellNotification* Notification() const { return FNotification; }

    TStFolderSelectedEvent OnFolderSelected;
    TStFolderSelectedEvent OnFolderChanging;

    bool HandleCommand(WORD code, WORD id, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) override;

private:
    void SyncTexts();
    void Remember(const TStComboFolder& folder);

    TStShellComboEntries FEntries;
    std::unique_ptr<TStComboFolder> FPrevious;
    TStShellNotification* FNotification = nullptr;
    bool FSelEndOk = false;
    // Read by FillEntries for the items drawn: the system's small image list and its icon size, and
    // the share overlay's index (read at the first shared item drawn; -1 when the shell has none).
    static constexpr int kOverlayUnread = -2;
    HIMAGELIST FImages = nullptr;
    int FIconWidth = 16;
    int FIconHeight = 16;
    int FShareOverlay = kOverlayUnread;
};

class TStShellComboBox : public TStCustomShellComboBox {
public:
    using TStCustomShellComboBox::TStCustomShellComboBox;
};
