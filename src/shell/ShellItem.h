#pragma once
// The shell item model: one file, folder, drive or virtual object of the shell namespace, the lists
// that own items, and the controller interface that enumerates folders into items and answers the
// live questions about them. The shell side (identifier lists, folder interfaces, icons) lives in
// ShellController_win; this header names those objects only as opaque pointers, so the portable parts
// (attribute letters, the network name rule, figures, sorting) build and are tested on every host.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _ITEMIDLIST;  // the shell's item identifier list; allocated and freed by the shell side
struct IShellFolder;

class TStCustomShellController;
class TStShellItemList;

// File attribute bits, as the file system has them.
constexpr std::uint32_t kFileAttrReadOnly = 0x1;
constexpr std::uint32_t kFileAttrHidden = 0x2;
constexpr std::uint32_t kFileAttrSystem = 0x4;
constexpr std::uint32_t kFileAttrDirectory = 0x10;
constexpr std::uint32_t kFileAttrArchive = 0x20;
constexpr std::uint32_t kFileAttrCompressed = 0x800;

// The live attributes a controller answers for an item (asked of its parent folder each time).
enum TStShellAttribute : std::uint32_t {
    saFolder = 1,
    saFileSystem = 2,
    saCanRename = 4,
    saHasSubFolder = 8,
    saCompressed = 16,
    saHidden = 32,
    saLink = 64,
    saShared = 128,
};

// "H", "S", "R", "C", "A" for the hidden, system, read-only, compressed and archive bits, in that
// order, no separators; empty for none.
std::string AttributeLetters(std::uint32_t attributes);

// A network item (path beginning with two backslashes) whose name reads "Docs on Server1" is shown as
// "Docs"; every other name stays whole.
std::string NetworkDisplayName(std::string_view path, std::string_view displayName);

// Slack is the used space less the size, set only when both are above 0; -1 otherwise.
std::int64_t SlackOf(std::int64_t size, std::int64_t usedSize);

// An identifier list the item owns; freed by the function the shell side installs.
struct TPidlDeleter {
    void operator()(_ITEMIDLIST* pidl) const;
};
using TPidl = std::unique_ptr<_ITEMIDLIST, TPidlDeleter>;
// Installed once by the shell side; until then identifier lists cannot exist, so nothing is freed.
extern void (*PidlFreeFunction)(_ITEMIDLIST* pidl);

class TStShellItem {
public:
    explicit TStShellItem(TStCustomShellController* controller = nullptr);
    virtual ~TStShellItem();
    TStShellItem(const TStShellItem&) = delete;
    TStShellItem& operator=(const TStShellItem&) = delete;

    // Copies everything but IsFile (a copy answers false for it); clones both identifier lists and
    // takes the same parent folder.
    virtual void AssignItem(const TStShellItem& other);

    // Lazy figures: LoadStats runs first while the size is still -1 (for a file-system item).
    std::int64_t Size();
    std::int64_t UsedSize();
    std::int64_t FileCount();
    double ModifiedDate();
    // Icons: fetched together the first time one is asked for.
    int IconIndex();
    int OpenIconIndex();
    int OverlayIndex();
    // Live attribute queries of the parent folder (false for the desktop item, except IsFolder).
    bool IsFolder() const;
    bool CanRename() const;
    bool HasSubFolder() const;
    bool IsCompressed() const;
    bool IsHidden() const;
    bool IsLink() const;
    bool IsShared() const;
    // Runs the item's default shell verb; false when the shell refused.
    bool InvokeDefault();
    // Reads size, date and attributes from the file system (never a folder's total).
    void LoadStats();

    // Fields, named as the model has them (F prefix: the lazy accessors above read them).
    std::vector<std::string> ColumnTexts;
    TStCustomShellController* Controller = nullptr;
    double FModifiedDate = 0;
    std::int64_t FSize = -1;
    std::int64_t FUsedSize = -1;
    std::int64_t Slack = -1;
    std::int64_t FFileCount = -1;
    std::string DisplayName;
    std::uint32_t Attributes = 0;
    std::string AttributeText;
    int FIconIndex = -1;
    int FOpenIconIndex = 0;
    int FOverlayIndex = 0;
    std::uint32_t FileDate = 0;  // DOS date (high half) and time (low half); 0 = not representable
    bool IsDesktop = false;
    bool IsFile = false;
    bool IsFileSystemFolder = false;
    bool IsFileSystem = false;
    bool DetailsFilled = false;
    bool OwnsController = false;
    // Released through the shell side's deleter. Made on demand for a listed item (ShellObjects).
    mutable std::shared_ptr<IShellFolder> ParentFolder;
    std::string Path;
    // The absolute list of an item made from one (the current folder, copies). The children of an
    // enumeration leave it empty and share their folder's list instead, which keeps an item small;
    // FullIdList gives the absolute list either way.
    TPidl AbsoluteIdList;
    std::shared_ptr<const _ITEMIDLIST> FolderIdList;
    mutable TPidl RelativeIdList;
    // A new copy of the item's absolute identifier list (null without a controller, and null for a
    // listed item whose list the shell cannot make).
    TPidl FullIdList() const;
    // A row read from its folder's directory listing: names, sizes, times and attributes came from the
    // listing, and the identifier list and the parent folder are made when first needed (ShellObjects).
    bool Listed = false;
    // Makes a listed item's relative identifier list and parent folder if they are not there yet; true
    // when both are there.
    bool ShellObjects() const;
    TStShellItemList* OwnerList = nullptr;
    std::string TypeName;
};

// Adds the combo box's slots: the fourth is an entry's indentation level, the flag its inserted mark.
class TStShellFolder : public TStShellItem {
public:
    using TStShellItem::TStShellItem;
    // AssignItem of a folder also copies the first three slots, never the level or the flag.
    void AssignFolder(const TStShellFolder& other);

    int Slot1 = -1, Slot2 = -1, Slot3 = -1;
    int Level = -1;
    bool Inserted = false;
};

// An ordered list that owns its items: clearing or destroying it frees them.
template <class T>
class TStOwningList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // The item at i, or null when i is outside the list.
    T* Items(int i) const { return i >= 0 && i < Count() ? FItems[i].get() : nullptr; }
    T* Add(std::unique_ptr<T> item) {
        FItems.push_back(std::move(item));
        return FItems.back().get();
    }
    void Clear() { FItems.clear(); }
    std::vector<std::unique_ptr<T>>& Storage() { return FItems; }
    const std::vector<std::unique_ptr<T>>& Storage() const { return FItems; }

private:
    std::vector<std::unique_ptr<T>> FItems;
};

class TStShellItemList : public TStOwningList<TStShellItem> {};
class TStShellFolderList : public TStOwningList<TStShellFolder> {};

// What the item model asks of the shell. The Win32 controller (ShellController_win.h) implements it
// on the real namespace; tests may put their own in its place.
class TStCustomShellController {
public:
    virtual ~TStCustomShellController() = default;
    // Size, date and attributes from find data, or from a file search by path (LoadStats).
    virtual void LoadStats(TStShellItem& item) = 0;
    // System icon index, open icon and overlay; returns the display name the query yielded.
    virtual std::string GetIconInfo(TStShellItem& item) = 0;
    // The attributes among mask that the item's parent folder reports now.
    virtual std::uint32_t QueryAttributes(const TStShellItem& item, std::uint32_t mask) const = 0;
    // The parent folder's own order of two children (negative, 0, positive).
    virtual int CompareNames(const TStShellItem& a, const TStShellItem& b) = 0;
    virtual bool InvokeDefault(TStShellItem& item) = 0;
    // A copy of an identifier list (null for null).
    virtual TPidl ClonePidl(const _ITEMIDLIST* pidl) const = 0;
    // A new list: folder's list followed by child's.
    virtual TPidl CombinePidl(const _ITEMIDLIST* folder, const _ITEMIDLIST* child) const = 0;
    // Makes the identifier list and parent folder of a listed item (TStShellItem::ShellObjects); true
    // when the item has both.
    virtual bool MakeShellObjects(const TStShellItem& item) const { return item.ParentFolder && item.RelativeIdList; }
};
