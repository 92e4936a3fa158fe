#pragma once
// The rules of a folder's rows, portable: column sets, a row's figures and texts, type texts, the row
// mapping, the sort orders, the mask filter and the drag caption. The folder model (FolderModel.h) and the
// list control that shows it (ShellListView_win.h) apply them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ShellItem.h"

enum TStListOption : unsigned {
    loAllowRename = 1u << 0,
    loAllowDrag = 1u << 1,
    loAllowDrop = 1u << 2,
    loColorCompressed = 1u << 3,
    loExtendedMenu = 1u << 4,
    loOpenFoldersInNewWindow = 1u << 5,
    loShellMenu = 1u << 6,
    loShowHidden = 1u << 7,
    loSortTypeByExt = 1u << 8,
};
using TStListOptions = unsigned;

enum TStOptimization { otEnumerate, otDisplay };

enum TStSpecialRootFolder {
    sfNone,
    sfAltStartup,
    sfAppData,
    sfBitBucket,
    sfCommonAltStartup,
    sfCommonDesktopDir,
    sfCommonFavorites,
    sfCommonPrograms,
    sfCommonStartMenu,
    sfCommonStartup,
    sfConnections,
    sfControls,
    sfCookies,
    sfDesktop,
    sfDesktopDir,
    sfDrives,
    sfFavorites,
    sfFonts,
    sfHistory,
    sfInternet,
    sfInternetCache,
    sfNetHood,
    sfNetwork,
    sfPersonal,
    sfPrinters,
    sfPrintHood,
    sfPrograms,
    sfRecentFiles,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates,
};
// The shell's folder number of a special folder; -1 for sfNone.
int SpecialFolderNumber(TStSpecialRootFolder folder);
// Folders that need shell library 4.71 or later (numbers 1 and 29 to 34).
bool NeedsNewShell(TStSpecialRootFolder folder);

// What a column sorts by.
enum TStSortKey { skName, skSize, skUsed, skSlack, skFiles, skType, skModified, skText, skChange };

struct TStColumn {
    std::string Caption;
    int Width;
    bool RightAligned;
    TStSortKey SortKey;
};

enum TStFolderKind { fkFileSystem, fkRecycleBin, fkOtherShell };
// The fixed column set of a folder kind.
const std::vector<TStColumn>& FixedColumns(TStFolderKind kind);

// A row's kind: a folder or file with find data, a file found by a file search, or a system folder.
enum TStRowKind { rkFolder, rkFile, rkSearchedFile, rkSystemFolder };

struct TStRowFigures {
    std::int64_t Size = -1;
    std::int64_t UsedSize = -1;
    std::int64_t Slack = -1;
    std::int64_t FileCount = -1;
};

// Folder totals: size, and the used space and count through the arguments.
using TStFolderSizeFunc = std::function<std::int64_t(std::int64_t& used, std::int64_t& count)>;

// A folder or system folder row: unknown (-1) with folder sizes off; the totals with them on.
TStRowFigures FolderRowFigures(bool calcFolderSize, const TStFolderSizeFunc& folderSize);
// A file row: its size, the cluster-rounded space and the slack; no count.
TStRowFigures FileRowFigures(std::int64_t size, std::int64_t allocated);

// The texts after the name, in column order (Size, Used, Slack, Files, Type, Modified, Attributes);
// a system folder row has the first five only.
std::vector<std::string> RowTexts(TStRowKind kind, const TStRowFigures& figures, const std::string& typeText,
                                  const std::string& dateText, const std::string& attributeText);

// Puts the figures' texts in the first four of a row's texts (as RowTexts makes them for the row's
// kind: a system folder's texts are the first five only, a folder's seven).
void SetFigureTexts(std::vector<std::string>& texts, const TStRowFigures& figures);

// The extension of the name part of a path, from its last "." ("." included); empty when none.
std::string ExtensionOf(std::string_view path);
// Type text of a file read through its find data: the registered description of its extension, or
// "XYZ File", or "File" without extension. lookup answers an extension's description (false: none).
using TStTypeLookup = std::function<bool(const std::string& extension, std::string& description)>;
std::string FileTypeText(std::string_view path, const TStTypeLookup& lookup);
// Type text of a file found by a file search: "File", "Shortcut" for .lnk, else "XYZ File".
std::string SearchedFileTypeText(std::string_view path);

// A text without regard to case, as sorting and find-by-typing compare names: plain ASCII is folded here
// (most names are), the rest by the user locale's rules.
std::string FoldCase(std::string_view text);

// Explorer's name order, the shell's logical comparison: a run of digits compares with a run of digits
// as the number it spells (any length: "file2" before "file10"), and a digit comes before any other
// character; everything else compares character by character without regard to case (FoldCase), and
// a name comes before the longer names it begins. Numbers that differ only in leading zeros ("01",
// "1") compare equal. Negative, 0 or positive.
int CompareLogical(std::string_view a, std::string_view b);

// The list position of row r: r when ascending, count - 1 - r otherwise.
inline int RowToItemIndex(int row, int count, bool ascending) {
    return ascending ? row : count - 1 - row;
}

// Sorts the list's items by a column's key. CompareNames gives the shell's name order (skName); text
// sorts read the column text at textColumn (an index into ColumnTexts). Fewer than 2 items stay.
struct TStSortRequest {
    TStSortKey Key = skName;
    int TextColumn = 0;
    bool TypeByExtension = false;
    // When set, names compare through it; otherwise folders first, then names in the logical order
    // (CompareLogical; names it finds equal by their folded, then their exact texts).
    std::function<int(const TStShellItem& a, const TStShellItem& b)> CompareNames;
    // skChange: an item's change against a baseline; a change not known sorts before every other.
    std::function<bool(const TStShellItem& item, std::int64_t& change)> ChangeOf;
};
void SortItems(std::vector<std::unique_ptr<TStShellItem>>& items, const TStSortRequest& request);

// The mask filter: "*.bak;*.tmp" keeps names ending in .bak or .tmp; "?" matches one character or
// none, except as the first character, where it matches exactly one; case is ignored.
class TStMaskFilter {
public:
    explicit TStMaskFilter(std::string_view filter);
    bool Matches(std::string_view name) const;
    // The regular-expression form of the filter (alternatives joined with "|").
    const std::string& Pattern() const { return FPattern; }

private:
    std::vector<std::string> FMasks;
    std::string FPattern;
};
// One mask in regular-expression form: "*.bak" gives "(.*\.bak\n)".
std::string TranslateMask(std::string_view mask);
// The file-name part of a path (after the last "\" or "/").
std::string_view FileNameOf(std::string_view path);

// The drag image's text for several rows: "3 files, 1 folder", "2 objects" when neither.
std::string DragCaption(int files, int folders, int rows);
