#include "browser/BrowseTexts.h"

#include "platform/CheckedMath.h"
#include "platform/DosWildcard.h"
#include "shell/SizeText.h"

std::int64_t SumOfSizes(const std::vector<std::int64_t>& sizes) {
    std::int64_t sum = 0;
    for (std::int64_t s : sizes) {
        if (s <= 0) continue;
        sum = CheckedAdd(sum, s);
    }
    return sum;
}

std::string SizeTextOrEmpty(std::int64_t size) {
    return size < 0 ? std::string() : FormatBytes('A', size);
}

TStatusTexts FolderSummary(std::int64_t count, std::int64_t sizeSum, bool showingDrives, TFiguresNote note) {
    TStatusTexts t;
    t.Panel0 = std::to_string(count) + " object(s)";
    switch (note) {
        case fnCounting:
            t.Panel0 += " - calculating folder sizes...";
            break;
        case fnCancelled:
            t.Panel0 += " - folder sizes incomplete: calculation cancelled";
            break;
        case fnIncomplete:
            t.Panel0 += " - folder sizes incomplete: some folders could not be read";
            break;
        case fnNone:
            break;
    }
    t.Panel1 = SizeTextOrEmpty(sizeSum);
    if (showingDrives) t.Panel2 = kMyComputerText;
    return t;
}

std::string FilesCountedText(std::int64_t files) {
    return GroupedNumber(files) + (files == 1 ? " file counted" : " files counted");
}

void AddTreeBudgetNote(TStatusTexts& texts) {
    texts.Panel0 += " - memory budget reached: files not kept";
}

TStatusTexts SelectionSummary(const TSelectionFacts& facts) {
    TStatusTexts t;
    t.KeepPanel0 = true;
    if (facts.HaveItem) {
        if (facts.SelectedCount == 1) {
            t.Panel0 = "Type: " + facts.TypeName + " " + "Size: " + SizeTextOrEmpty(facts.ItemSize);
            t.KeepPanel0 = false;
        } else if (facts.SelectedCount > 1) {
            t.Panel0 = std::to_string(facts.SelectedCount) + " object(s) selected " +
                       "Size: " + SizeTextOrEmpty(facts.SelectionTotal);
            t.KeepPanel0 = false;
        }
        t.Panel1 = SizeTextOrEmpty(facts.ItemSize);
    }
    if (facts.ShowingDrives) t.Panel2 = kMyComputerText;
    return t;
}

int FindFilterMask(const std::vector<std::string>& masks, std::string_view text) {
    const std::string lower = LowerCaseText(text);
    for (std::size_t i = 0; i < masks.size(); ++i)
        if (LowerCaseText(masks[i]) == lower) return static_cast<int>(i);
    return -1;
}

bool AddFilterMask(std::vector<std::string>& masks, std::string_view text) {
    if (FindFilterMask(masks, text) >= 0) return false;
    masks.emplace_back(text);
    return true;
}

std::string ShortcutsFolder(std::string_view exeFolder) {
    return std::string(exeFolder) + "shortcuts";
}

bool IsShortcutsFolder(std::string_view path, std::string_view exeFolder) {
    return path == ShortcutsFolder(exeFolder);
}

bool IsShortcutType(std::string_view typeName) {
    return typeName == "Shortcut";
}
