#include "volumes/VolumeInventory.h"

#include "shell/SizeText.h"

std::int64_t GetVolumeSpace(TVolumeQueries& volumes, std::string_view root, std::int64_t& used, std::int64_t& free,
                            std::int64_t& available) {
    used = free = available = 0;
    TDiskSpace space;
    // The platform's figures are unsigned; one that does not fit a signed 64-bit figure is treated as a
    // failed query rather than shown as a negative size.
    if (!volumes.DiskSpace(root, space) || space.Total < 0 || space.Free < 0 || space.Available < 0) return 0;
    free = space.Free;
    used = space.Total - space.Free;
    available = space.Available;
    return space.Total;
}

int VolumeLightFor(double usedFraction) {
    if (usedFraction < 0.8) return kLightGreen;
    if (usedFraction < 0.9) return kLightYellow;
    return kLightRed;
}

int VolumeLightFor(std::int64_t used, std::int64_t total) {
    if (total <= 0) return kLightGreen;
    return VolumeLightFor(static_cast<double>(used) / static_cast<double>(total));
}

std::string DriveTypeText(TDriveType type) {
    switch (type) {
        case TDriveType::Removable:
            return "Removable";
        case TDriveType::Fixed:
            return "Fixed";
        case TDriveType::Remote:
            return "Network";
        case TDriveType::CdRom:
            return "CD-ROM";
        case TDriveType::RamDisk:
            return "RAM Disk";
        default:
            return {};
    }
}

std::vector<TVolumeRow> ReadVolumeRows(TVolumeQueries& volumes, const std::function<std::uint32_t(char)>& clusterSize) {
    std::vector<TVolumeRow> rows;
    const std::uint32_t mask = volumes.LogicalDriveMask();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        const std::string root = DriveRoot(letter);
        std::int64_t used = 0, free = 0, available = 0;
        const std::int64_t total = GetVolumeSpace(volumes, root, used, free, available);
        if (total <= 0) continue;
        const TDriveType type = volumes.DriveType(root);
        const std::string typeText = DriveTypeText(type);
        if (typeText.empty()) continue;

        TVolumeInfo info;
        const bool haveInfo = volumes.VolumeInformation(root, info);
        if (!haveInfo) info = TVolumeInfo{};  // nothing half-filled reaches the row
        auto yesNo = [&](bool on) { return std::string(on ? "Yes" : "No"); };

        TVolumeRow row;
        row.Letter = letter;
        row.Label = info.Label;
        row.Cells = {std::string(1, letter) + ":",
                     typeText,
                     info.FileSystem,
                     FormatBytes('A', total),
                     FormatBytes('A', used),
                     FormatBytes('A', free),
                     FormatBytes('A', available),
                     FormatBytes('B', clusterSize ? clusterSize(letter) : 0),
                     haveInfo ? std::to_string(info.Serial) : std::string(),
                     yesNo(info.Flags & kFlagUnicodeOnDisk),
                     yesNo(info.Flags & kFlagFileCompression),
                     yesNo(type != TDriveType::Removable && (info.Flags & kFlagVolumeCompressed))};
        row.ImageIndex = VolumeLightFor(used, total);
        rows.push_back(std::move(row));
    }
    return rows;
}
