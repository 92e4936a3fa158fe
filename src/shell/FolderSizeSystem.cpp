// The process-wide folder-size service over the system's listing and volumes.
#include "shell/FolderSize.h"

TFolderSizeService& FolderSizeService() {
    static TFolderSizeService service(SystemDirLister(), SystemVolumes());
    return service;
}

TFolderSizeCache& FolderSizeCache() {
    return FolderSizeService().FolderSizeCache();
}
TDriveClusterTable& DriveClusterTable() {
    return FolderSizeService().DriveClusterTable();
}

std::int64_t FolderSize(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count) {
    return FolderSizeService().FolderSize(path, mask, used, count);
}
std::int64_t FolderFileCount(std::string_view path, std::string_view mask) {
    return FolderSizeService().FolderFileCount(path, mask);
}
std::int64_t FolderTotals(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count) {
    return FolderSizeService().FolderTotals(path, mask, used, count);
}
void InvalidateFolderSize(std::string_view itemPath, bool isFolder) {
    FolderSizeService().InvalidateFolderSize(itemPath, isFolder);
}
std::uint32_t ClusterSize(char letter) {
    return FolderSizeService().ClusterSize(letter);
}
std::int64_t AllocatedSize(char letter, std::int64_t size) {
    return FolderSizeService().AllocatedSize(letter, size);
}
