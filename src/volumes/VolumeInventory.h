#pragma once
// The volume table's rows: one per drive letter that has a size, with the texts of its thirteen columns
// and the image index of its fullness light. Portable; the list view that shows them is the main window's.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Volumes.h"

// Image indices of the fullness lights in the main window's image list.
constexpr int kLightGreen = 14;
constexpr int kLightYellow = 15;
constexpr int kLightRed = 13;

// File-system flags that the flag columns read.
constexpr std::uint32_t kFlagUnicodeOnDisk = 4;
constexpr std::uint32_t kFlagFileCompression = 16;
constexpr std::uint32_t kFlagVolumeCompressed = 32768;

// The volume table's thirteen columns, in order: caption, width in pixels, right-aligned.
struct TVolumeColumn {
    const char* Caption;
    int Width;
    bool RightAligned;
};
inline constexpr TVolumeColumn kVolumeColumns[] = {
    {"Volume", 100, false},   {"Logical", 60, false}, {"Type", 80, false},    {"System", 60, false},
    {"Size", 70, true},       {"Used", 70, true},     {"Free", 70, true},     {"Available", 80, true},
    {"Cluster", 60, true},    {"Serial", 100, false}, {"Unicode", 60, false}, {"Compression", 90, false},
    {"Compressed", 90, false}};

struct TVolumeRow {
    char Letter = 0;
    int ImageIndex = kLightGreen;
    std::string Label;               // column 0, the row's caption; empty for a volume without one
    std::vector<std::string> Cells;  // columns 1 to 12: "Logical" to "Compressed"
};

// The volume's total size in bytes; used, free and available get the other figures. All four are 0 when
// the free-space query fails.
std::int64_t GetVolumeSpace(TVolumeQueries& volumes, std::string_view root, std::int64_t& used, std::int64_t& free,
                            std::int64_t& available);

// The light for a used fraction: green below 0.8, yellow below 0.9, red from 0.9.
int VolumeLightFor(double usedFraction);
// The light for used bytes of total bytes (the fraction in floating point); green for a total of 0.
int VolumeLightFor(std::int64_t used, std::int64_t total);

// "Removable", "Fixed", "Network", "CD-ROM", "RAM Disk"; empty for the types that give no row.
std::string DriveTypeText(TDriveType type);

// The rows of every drive letter of the mask whose free-space query reports a size above 0 and whose
// type is known, in letter order. The free-space query comes first for each letter, so a drive without
// media or an unreachable one is asked nothing else. A drive whose volume information cannot be read
// shows an empty label, file system and serial, and "No" in the flag columns. clusterSize gives the
// bytes per cluster of a letter.
std::vector<TVolumeRow> ReadVolumeRows(TVolumeQueries& volumes, const std::function<std::uint32_t(char)>& clusterSize);
