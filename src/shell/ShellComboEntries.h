#pragma once
// The entries of the folder combo box: the desktop, the desktop's folders, the drives, and the chain
// of folders inserted to show the current folder's path, each with its indentation level. Read from
// the shell namespace; kept in display order, parallel to the box's item texts.
#include <shlobj.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct TCoTaskMemFree {
    void operator()(void* p) const { ::CoTaskMemFree(p); }
};
using TOwnedIdList = std::unique_ptr<ITEMIDLIST, TCoTaskMemFree>;

// One folder of the box.
struct TStComboFolder {
    TOwnedIdList IdList;      // absolute
    std::string Path;         // the parsing name: the path for a file-system folder
    std::string DisplayName;  // the item text
    int Level = 0;            // indentation: 0 desktop, 1 its folders, 2 drives, else the identifier count
    bool Inserted = false;    // added to show the current path
    bool FileSystem = false;
    bool Shared = false;
    int IconIndex = -1;  // in the system's small image list

    // The folder of an absolute identifier list (cloned), read a level at a time from the desktop down;
    // null when the shell does not know it.
    static std::unique_ptr<TStComboFolder> FromIdList(PCIDLIST_ABSOLUTE idList);
    // The folder of an absolute identifier list whose file-system path is known (path empty: not a
    // file-system folder), such as the list's current folder: a folder far below the path's root is made
    // from the path and the list as given, without reading the levels above it from the shell.
    static std::unique_ptr<TStComboFolder> FromFolder(PCIDLIST_ABSOLUTE idList, const std::string& path);
    // The folder of a path; null when it cannot be parsed.
    static std::unique_ptr<TStComboFolder> FromPath(const std::string& path);
    std::unique_ptr<TStComboFolder> Clone() const;
    bool IsDesktop() const;
};

// The number of identifiers in an identifier list (0 for the desktop).
int IdListDepth(PCIDLIST_ABSOLUTE idList);

// How many folders the box has read from the shell in this process: a folder asked of its parent counts
// one, a query on an absolute identifier list counts every level of the list, which the shell walks
// again for it. Tests and benchmarks read it to see that each ancestor of a folder is read once.
int ComboFolderReads();

class TStShellComboEntries {
public:
    // Empties the entries and reads them again: the desktop, its folders, the drives folder's folders.
    // In open-dialog mode only file-system entries stay, and outside the drives folder the drives folder
    // itself and the network folder.
    void Fill(bool openDialogMode);

    int Count() const { return static_cast<int>(FEntries.size()); }
    TStComboFolder& At(int i) { return *FEntries.at(i); }
    const TStComboFolder& At(int i) const { return *FEntries.at(i); }
    std::vector<std::string> Texts() const;

    // Shows a folder: removes the entries inserted for the previous one, inserts the chain of folders
    // from the nearest ancestor that has an entry down to the folder (unless that ancestor is the
    // desktop), and returns the index of the folder's entry (-1 when there is none).
    int ShowPath(const TStComboFolder& folder);
    // The first entry whose path (or text) equals the one given; -1 when none.
    int IndexOfPath(const std::string& path) const;
    int IndexOfText(const std::string& text) const;

    // Test seam: entries as given, in this order (no shell reads).
    void Assign(std::vector<std::unique_ptr<TStComboFolder>> entries) { FEntries = std::move(entries); }

private:
    std::vector<std::unique_ptr<TStComboFolder>> FEntries;
};
