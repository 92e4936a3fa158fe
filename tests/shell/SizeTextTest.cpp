#include "shell/SizeText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

struct TRow {
    std::int64_t Value;
    const char *Auto, *K, *M, *G, *KB;
};

// The worked table: every unit code and the grouped kilobytes for each value.
const TRow kRows[] = {
    {0, "0", "0 KB", "0 MB", "0 GB", "0KB"},
    {1023, "1023", "0 KB", "0 MB", "0 GB", "0KB"},
    {1024, "1024", "1 KB", "0 MB", "0 GB", "1KB"},
    {1025, "1 KB", "1 KB", "0 MB", "0 GB", "1KB"},
    {2047, "1 KB", "1 KB", "0 MB", "0 GB", "1KB"},
    {1048576, "1024 KB", "1024 KB", "1 MB", "0 GB", "1,024KB"},
    {1048577, "1 MB", "1024 KB", "1 MB", "0 GB", "1,024KB"},
    {1572864, "1 MB", "1536 KB", "1 MB", "0 GB", "1,536KB"},
    {1073741824, "1024 MB", "1048576 KB", "1024 MB", "1 GB", "1,048,576KB"},
    {1073741825, "1 GB", "1048576 KB", "1024 MB", "1 GB", "1,048,576KB"},
    {80026361856, "74 GB", "78150744 KB", "76319 MB", "74 GB", "78,150,744KB"},
    {1099511627776, "1024 GB", "1073741824 KB", "1048576 MB", "1024 GB", "1,073,741,824KB"},
};

TEST(ShellSizeText, WorkedTable) {
    for (const TRow& r : kRows) {
        SCOPED_TRACE(r.Value);
        EXPECT_EQ(FormatBytes('A', r.Value), r.Auto);
        EXPECT_EQ(FormatBytes('K', r.Value), r.K);
        EXPECT_EQ(FormatBytes('M', r.Value), r.M);
        EXPECT_EQ(FormatBytes('G', r.Value), r.G);
        EXPECT_EQ(FormatBytesKB(r.Value), r.KB);
    }
}

TEST(ShellSizeText, AutomaticUnitTruncatesAndAnyOtherCodeIsAutomatic) {
    EXPECT_EQ(FormatBytes('A', 1536), "1 KB");
    EXPECT_EQ(FormatBytes('A', 1048575), "1023 KB");
    EXPECT_EQ(FormatBytes('x', 1048577), "1 MB");
    EXPECT_EQ(FormatBytes('\0', 1025), "1 KB");
    EXPECT_EQ(FormatBytes('g', 1073741825), "1 GB");  // codes are case-sensitive: 'g' is automatic
    EXPECT_EQ(FormatBytes('A', -5), "-5");
}

TEST(ShellSizeText, BareBytes) {
    EXPECT_EQ(FormatBytes('B', 4096), "4096");
    EXPECT_EQ(FormatBytes('B', 80026361856), "80026361856");
}

TEST(ShellSizeText, GroupedKilobytes) {
    EXPECT_EQ(FormatBytesKB(1023), "0KB");
    EXPECT_EQ(FormatBytesKB(1024000), "1,000KB");
    EXPECT_EQ(FormatBytesKB(1022976), "999KB");
    EXPECT_EQ(FormatBytesKB(1264000), "1,234KB");
    EXPECT_EQ(FormatBytesKB(-1), "0KB");
    EXPECT_EQ(FormatBytesKB(-2048), "-2KB");
    // A negative value keeps its sign in front of the groups.
    EXPECT_EQ(FormatBytesKB(-1024LL * 123456), "-123,456KB");
    EXPECT_EQ(FormatBytesKB(-1024LL * 1234567), "-1,234,567KB");
}

TEST(ShellSizeText, Int64Extremes) {
    const std::int64_t mx = std::numeric_limits<std::int64_t>::max();
    const std::int64_t mn = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(FormatBytes('A', mx), "8589934591 GB");
    EXPECT_EQ(FormatBytes('B', mx), "9223372036854775807");
    EXPECT_EQ(FormatBytes('A', mn), "-9223372036854775808");
    EXPECT_EQ(FormatBytes('G', mn), "-8589934592 GB");
    EXPECT_EQ(FormatBytesKB(mx), "9,007,199,254,740,991KB");
    EXPECT_EQ(FormatBytesKB(mn), "-9,007,199,254,740,992KB");
}

TEST(ShellSizeText, FolderListShortForm) {
    EXPECT_EQ(FormatSizeShort(0), "0");
    EXPECT_EQ(FormatSizeShort(512), "512");
    EXPECT_EQ(FormatSizeShort(1024), "1024");
    EXPECT_EQ(FormatSizeShort(1025), "1KB");
    EXPECT_EQ(FormatSizeShort(2048), "2KB");  // the main window writes "2 KB"
    EXPECT_EQ(FormatSizeShort(1048576), "1024KB");
    EXPECT_EQ(FormatSizeShort(1048577), "1MB");
    EXPECT_EQ(FormatSizeShort(1073741824), "1024MB");
    EXPECT_EQ(FormatSizeShort(1073741825), "1GB");
    EXPECT_EQ(FormatSizeShort(3LL * 1073741824 + 5), "3GB");
    EXPECT_EQ(FormatSizeShort(-1), "-1");
    EXPECT_EQ(FormatSizeShort(std::numeric_limits<std::int64_t>::max()), "8589934591GB");
    EXPECT_EQ(FormatSizeShort(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

}  // namespace
