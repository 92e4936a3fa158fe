#pragma once
// The main window's browsing rules that need no window: the status bar's summary texts, the filter
// box's list of masks and the shortcuts folder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// --- status bar

// The three panels of the status bar after a listing or a selection change. Panel0 empty in a
// selection summary means "keep what the panel shows" only when KeepPanel0 is set.
struct TStatusTexts {
    std::string Panel0;
    std::string Panel1;
    std::string Panel2;
    bool KeepPanel0 = false;
};

// Panel 2 while the list shows the computer's drive level (or folders reached from it by navigation
// inside the list).
inline constexpr const char* kMyComputerText = "My Computer";

// The sum of the sizes of a list of items. Sizes not known (negative) add nothing, so a total never
// comes out negative. Raises Exception when the sum does not fit 64 bits.
std::int64_t SumOfSizes(const std::vector<std::int64_t>& sizes);

// After a listing: "<count> object(s)", the size of the sum with code "A", and "My Computer" on the
// drive level.
// How far the folder sizes of the listing have come; anything but fnNone adds a note to panel 0:
// the sum in panel 1 then holds only the figures known.
enum TFiguresNote {
    fnNone,        // every figure asked for is known and exact (or none was asked)
    fnCounting,    // figures are still arriving
    fnCancelled,   // the user stopped the calculation: some folders have no figures
    fnIncomplete,  // some folders could not be read in full, or have no figures
};
TStatusTexts FolderSummary(std::int64_t count, std::int64_t sizeSum, bool showingDrives, TFiguresNote note = fnNone);
// Panel 0's note when the scan tree's memory budget was reached: folder sizes are still counted, but
// the files are not kept (mask changes read the disk again; no treemap, no saved scan).
void AddTreeBudgetNote(TStatusTexts& texts);

// The progress window's line while folder sizes are calculated: "1 file counted", "12,345 files counted".
std::string FilesCountedText(std::int64_t files);

// What one selection change shows. The event may come without an item (no row); otherwise
// selectedCount is the number of rows selected now, typeName the shell's type name of the changed item,
// itemSize the size of the row's own item and selectionTotal the sum over the selection.
struct TSelectionFacts {
    bool HaveItem = false;
    std::int64_t SelectedCount = 0;
    std::string TypeName;
    std::int64_t ItemSize = -1;
    std::int64_t SelectionTotal = 0;
    bool ShowingDrives = false;
};
// One row selected: "Type: <type> Size: <size>"; several: "<n> object(s) selected Size: <total>";
// none (a deselection): panel 0 kept. Panel 1 is the changed row's size, panel 2 "My Computer" on the
// drive level. A size not known (-1) reads as an empty text.
TStatusTexts SelectionSummary(const TSelectionFacts& facts);

// FormatBytes code "A", and an empty text for a size not known (negative).
std::string SizeTextOrEmpty(std::int64_t size);

// --- filter box

// The position of the mask equal to text when both are compared in lower case; -1 when none.
int FindFilterMask(const std::vector<std::string>& masks, std::string_view text);
// Appends text, exactly as typed, unless FindFilterMask finds it; true when it was appended.
bool AddFilterMask(std::vector<std::string>& masks, std::string_view text);

// --- shortcuts

// The folder "shortcuts" beside the executable: exeFolder ends in its separator (C:\Tools\ gives
// C:\Tools\shortcuts).
std::string ShortcutsFolder(std::string_view exeFolder);
// True when path is exactly (letter case counts) the shortcuts folder.
bool IsShortcutsFolder(std::string_view path, std::string_view exeFolder);
// True for the shell's type name of a shortcut file.
bool IsShortcutType(std::string_view typeName);
