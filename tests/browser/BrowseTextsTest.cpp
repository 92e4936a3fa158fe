// The status bar's texts, the filter box's list of masks and the shortcuts folder rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "browser/BrowseTexts.h"
#include "platform/Exception.h"

TEST(FolderSummary, CountSizeAndDriveLevel) {
    const struct {
        std::int64_t Count, Sum;
        bool Drives;
        const char *P0, *P1, *P2;
    } cases[] = {
        {0, 0, false, "0 object(s)", "0", ""},
        {3, 1536, false, "3 object(s)", "1 KB", ""},
        {12, (5LL << 30) + 7, true, "12 object(s)", "5 GB", "My Computer"},
        {1, 1024, false, "1 object(s)", "1024", ""},
    };
    for (const auto& c : cases) {
        TStatusTexts t = FolderSummary(c.Count, c.Sum, c.Drives, fnNone);
        EXPECT_EQ(c.P0, t.Panel0);
        EXPECT_EQ(c.P1, t.Panel1);
        EXPECT_EQ(c.P2, t.Panel2);
    }
}

// Figures still coming, or missing: panel 0 says so after the count, and the drive level keeps its text.
TEST(FolderSummary, NotesOnFiguresNotAllKnown) {
    const struct {
        TFiguresNote Note;
        bool Drives;
        const char *P0, *P2;
    } cases[] = {
        {fnCounting, false, "4 object(s) - calculating folder sizes...", ""},
        {fnCancelled, false, "4 object(s) - folder sizes incomplete: calculation cancelled", ""},
        {fnIncomplete, true, "4 object(s) - folder sizes incomplete: some folders could not be read", "My Computer"},
    };
    for (const auto& c : cases) {
        TStatusTexts t = FolderSummary(4, 2048, c.Drives, c.Note);
        EXPECT_EQ(c.P0, t.Panel0);
        EXPECT_EQ("2 KB", t.Panel1);
        EXPECT_EQ(c.P2, t.Panel2);
    }
}

// The progress window's count: one file in the singular, large counts grouped by thousands.
TEST(FolderSummary, FilesCountedTexts) {
    EXPECT_EQ("0 files counted", FilesCountedText(0));
    EXPECT_EQ("1 file counted", FilesCountedText(1));
    EXPECT_EQ("999 files counted", FilesCountedText(999));
    EXPECT_EQ("1,000,000 files counted", FilesCountedText(1000000));
}

TEST(FolderSummary, SizesNotKnownAddNothingAndOverflowIsAnError) {
    EXPECT_EQ(0, SumOfSizes({}));
    EXPECT_EQ(300, SumOfSizes({100, -1, 200, -1}));
    EXPECT_EQ(0, SumOfSizes({-1, -1, -1}));  // control folders on the drive level: never "-3"
    const std::int64_t big = std::numeric_limits<std::int64_t>::max() - 10;
    EXPECT_EQ(big + 10, SumOfSizes({big, 10}));
    EXPECT_THROW(SumOfSizes({big, 11}), Exception);
}

TEST(SelectionSummary, OneSeveralNoneAndNoItem) {
    const struct {
        const char* Name;
        TSelectionFacts Facts;
        bool Keep;
        const char *P0, *P1, *P2;
    } cases[] = {
        {"one", {true, 1, "Text Document", 1000, 1000, false}, false, "Type: Text Document Size: 1000", "1000", ""},
        {"one large",
         {true, 1, "File Folder", 3LL << 20, 3LL << 20, false},
         false,
         "Type: File Folder Size: 3 MB",
         "3 MB",
         ""},
        {"three",
         {true, 3, "Text Document", 100, (2LL << 30) + 5, false},
         false,
         "3 object(s) selected Size: 2 GB",
         "100",
         ""},
        {"deselected", {true, 0, "", 4096, 0, false}, true, "", "4 KB", ""},
        {"no item", {false, 2, "", 10, 20, true}, true, "", "", "My Computer"},
        {"drive", {true, 1, "Local Disk", -1, 0, true}, false, "Type: Local Disk Size: ", "", "My Computer"},
    };
    for (const auto& c : cases) {
        TStatusTexts t = SelectionSummary(c.Facts);
        EXPECT_EQ(c.Keep, t.KeepPanel0) << c.Name;
        if (!c.Keep) {
            EXPECT_EQ(c.P0, t.Panel0) << c.Name;
        }
        EXPECT_EQ(c.P1, t.Panel1) << c.Name;
        EXPECT_EQ(c.P2, t.Panel2) << c.Name;
    }
}

TEST(FilterMasks, EnterAddsANewMaskOnceIgnoringCase) {
    std::vector<std::string> masks = {"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3"};
    const struct {
        const char* Typed;
        bool Added;
        int Position;
    } steps[] = {
        {"*.BAK", false, 1},  // the capitalised form of a listed mask
        {"*.Doc", true, 6},   // new: kept as typed
        {"*.doc", false, 6},  // ... and found again in any case
        {"", true, 7},        // an empty box is a mask like any other
        {"", false, 7},        {"*.ÄRGER", true, 8},
        {"*.ärger", false, 8},  // letters beyond ASCII compare without case too
        {"*.tmp ", true, 9},    // a trailing blank makes another mask
    };
    for (const auto& s : steps) {
        EXPECT_EQ(s.Added, AddFilterMask(masks, s.Typed)) << s.Typed;
        EXPECT_EQ(s.Position, FindFilterMask(masks, s.Typed)) << s.Typed;
    }
    EXPECT_EQ("*.Doc", masks[6]);
    EXPECT_EQ(10u, masks.size());
    EXPECT_EQ(-1, FindFilterMask(masks, "*.mp4"));
}

TEST(Shortcuts, FolderBesideTheProgramComparedExactly) {
    EXPECT_EQ("C:\\Tools\\shortcuts", ShortcutsFolder("C:\\Tools\\"));
    const struct {
        const char* Path;
        bool Is;
    } cases[] = {{"C:\\Tools\\shortcuts", true},    {"C:\\Tools\\Shortcuts", false},    {"c:\\tools\\shortcuts", false},
                 {"C:\\Tools\\shortcuts\\", false}, {"C:\\Tools\\shortcuts\\x", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(c.Is, IsShortcutsFolder(c.Path, "C:\\Tools\\")) << c.Path;
    EXPECT_TRUE(IsShortcutType("Shortcut"));
    EXPECT_FALSE(IsShortcutType("shortcut"));
    EXPECT_FALSE(IsShortcutType("Shortcut "));
    EXPECT_FALSE(IsShortcutType("Internet Shortcut"));
}
