#pragma once
// The shell controller on the real namespace (Windows only): the desktop folder, folder enumeration,
// identifier lists, display and parsing names, attributes, find data, the system image lists, icon
// queries, the shell's context menu and rename. All names pass through the wide API, so names the
// ANSI code page cannot hold work like any other.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DirList.h"
#include "platform/WinHandle.h"
#include "shell/ShellItem.h"
#include "shell/FolderRows.h"

// What a folder enumeration for a list hands its items to (the folder list implements it).
class TStEnumSink {
public:
    virtual bool SinkShowHidden() const = 0;
    virtual TStOptimization SinkOptimization() const = 0;
    // Shows or removes the search animation (a folder outside the file system reads slowly).
    virtual void SinkSearching(bool searching) = 0;
    // One enumerated child: the sink raises its filter and keeps or drops it.
    virtual void SinkItem(std::unique_ptr<TStShellItem> item) = 0;

protected:
    ~TStEnumSink() = default;
};

// Takes a reference of its own for the shared pointer (released through the deleter).
std::shared_ptr<IShellFolder> SharedFolder(IShellFolder* folder);
TPidl ClonePidl(LPCITEMIDLIST pidl);
bool SamePidl(LPCITEMIDLIST a, LPCITEMIDLIST b);

// The local date-time text of a date (days since 1899-12-30): short date, a blank, short time; the
// time is left out at exactly midnight.
std::string DateTimeText(double date);

class TStShellController : public TStCustomShellController {
public:
    TStShellController();
    ~TStShellController() override;
    TStShellController(const TStShellController&) = delete;
    TStShellController& operator=(const TStShellController&) = delete;

    IShellFolder* Desktop() const { return FDesktop.get(); }
    const std::shared_ptr<IShellFolder>& DesktopShared() const { return FDesktop; }
    HIMAGELIST SmallImages() const { return FSmallImages; }
    HIMAGELIST LargeImages() const { return FLargeImages; }
    // Replaces the generic icon (index 2) when set; -1 = none.
    int SubstituteIconIndex = -1;
    int ShortcutOverlayIndex = -1;

    // Mode 1: the children of the folder (an absolute list; null or empty = the desktop) go to the sink.
    // Mode 2: its sub-folders become folder items appended to folders. Errors inside the loop end it
    // with "Error reading directory." and the items read so far stay. inFileSystem: the folder is part of
    // the file system (the caller's item knows); a folder outside it shows the search animation in mode 1.
    void EnumerateFolder(LPCITEMIDLIST folder, bool inFileSystem, int mode, TStEnumSink* sink,
                         TStShellFolderList* folders = nullptr);
    // Mode 1 for a file-system folder: its children from one directory read of path (hidden ones only
    // when the sink shows them), made without the shell; their identifier lists wait until a row needs
    // them. False, with nothing sent, when the folder cannot be read.
    bool ListFolder(LPCITEMIDLIST folder, const std::string& path, TStEnumSink* sink);
    // One listed child of the folder at path (folder: its shared absolute list).
    std::unique_ptr<TStShellItem> CreateListedItem(const std::shared_ptr<const _ITEMIDLIST>& folder,
                                                   const std::string& path, const TDirItem& entry);
    // The name a file shows: the shell leaves out the extension of some types (NeverShowExt), and of
    // every registered type when the user hides known extensions.
    std::string ShownFileName(const std::string& name);
    // Gives a plain file the icon its type is known to have, without asking the shell; false when the
    // type's icon is not known yet (or follows each file).
    bool KnownIcon(TStShellItem& item);

    // An item (or folder item) made from an absolute identifier list.
    std::unique_ptr<TStShellItem> CreateItem(LPCITEMIDLIST absolute);
    std::unique_ptr<TStShellFolder> CreateFolder(LPCITEMIDLIST absolute);
    // The folder item of a path and its parsed list. A path past MAX_PATH (which the shell cuts under
    // Wine, and names only slowly) is taken as given, its parent folder bound when first needed.
    std::unique_ptr<TStShellFolder> CreateFolder(LPCITEMIDLIST absolute, const std::string& path);
    void InitItem(TStShellItem& item, LPCITEMIDLIST absolute);

    // SHGDN_NORMAL or SHGDN_FORPARSING name of a child; empty when the folder fails.
    std::string GetItemName(IShellFolder* folder, LPCITEMIDLIST child, DWORD form) const;
    // The folder of an absolute list (the desktop for an empty one); null when it cannot be bound.
    TComPtr<IShellFolder> BindToFolder(IShellFolder* folder, LPCITEMIDLIST child) const;
    std::shared_ptr<IShellFolder> BindAbsolute(LPCITEMIDLIST absolute) const;
    // The identifier list of a parsing name (relative to folder, or the desktop); null when it fails.
    TPidl ParseDisplayName(const std::string& text, IShellFolder* folder = nullptr) const;
    // The folder holding an absolute list's item; null for a top-level item.
    std::shared_ptr<IShellFolder> GetParentFolder(LPCITEMIDLIST absolute) const;
    // The shell's context menu for children of one folder, at a screen position; the chosen command's
    // identifier, or -1.
    int ShowShellMenu(HWND owner, bool extended, bool allowRename, IShellFolder* folder,
                      const std::vector<LPCITEMIDLIST>& children, POINT at);
    // Renames a child in place; returns its new relative list (null when the shell refused).
    TPidl RenameItem(TStShellItem& item, const std::string& newName, HWND owner);
    // Find data of a file-system item by a file search on its path.
    static bool FindByPath(const std::string& path, WIN32_FIND_DATAW& data);
    // Size, dates and attributes from find data.
    static void ApplyFindData(TStShellItem& item, const WIN32_FIND_DATAW& data);

    void LoadStats(TStShellItem& item) override;
    std::string GetIconInfo(TStShellItem& item) override;
    std::uint32_t QueryAttributes(const TStShellItem& item, std::uint32_t mask) const override;
    int CompareNames(const TStShellItem& a, const TStShellItem& b) override;
    bool InvokeDefault(TStShellItem& item) override;
    TPidl ClonePidl(const _ITEMIDLIST* pidl) const override;
    TPidl CombinePidl(const _ITEMIDLIST* folder, const _ITEMIDLIST* child) const override;
    bool MakeShellObjects(const TStShellItem& item) const override;

private:
    // The lower-case extension whose icon a plain file shares with its type; empty when its icon is
    // its own.
    std::string IconExtension(const TStShellItem& item);
    // The child of folder with exactly this file name (the shell's parse cuts trailing dots and
    // blanks, so such names are looked for among the folder's children); null when there is none.
    TPidl ChildByName(IShellFolder* folder, const std::string& name) const;
    // The listed rows' folder, bound once for all the rows that need it.
    mutable std::shared_ptr<const _ITEMIDLIST> FBoundList;
    mutable std::shared_ptr<IShellFolder> FBoundFolder;
    std::map<std::string, bool> FHideExtension;
    bool FHideKnownExtensions = false;
    // The system icon of plain files by lower-case extension, for types whose icon depends on the
    // extension alone (the shell's query costs milliseconds per file under Wine).
    std::map<std::string, int> FIconByExtension;
    bool IconFollowsExtension(const std::string& lowerExtension);
    std::map<std::string, bool> FExtensionChecked;
    std::shared_ptr<IShellFolder> FDesktop;
    HIMAGELIST FSmallImages = nullptr;
    HIMAGELIST FLargeImages = nullptr;
    void FindShortcutOverlay();
};
