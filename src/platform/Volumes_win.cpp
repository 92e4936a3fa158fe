#include <windows.h>

#include "platform/ErrorMode.h"
#include "platform/Volumes.h"
#include "platform/WinText.h"

namespace {

std::wstring RootOf(std::string_view root) {
    std::wstring wide = Widen(root);
    if (!wide.empty() && wide.back() != L'\\') wide += L'\\';
    return wide;
}

class TWinVolumes final : public TVolumeQueries {
public:
    std::uint32_t LogicalDriveMask() override { return ::GetLogicalDrives(); }

    TDriveType DriveType(std::string_view root) override {
        UINT type = ::GetDriveTypeW(RootOf(root).c_str());
        return type <= DRIVE_RAMDISK ? static_cast<TDriveType>(type) : TDriveType::Unknown;
    }

    bool DiskSpace(std::string_view root, TDiskSpace& space) override {
        TCriticalErrorScope quiet;
        ULARGE_INTEGER available, total, free;
        if (!::GetDiskFreeSpaceExW(RootOf(root).c_str(), &available, &total, &free)) return false;
        space.Available = static_cast<std::int64_t>(available.QuadPart);
        space.Total = static_cast<std::int64_t>(total.QuadPart);
        space.Free = static_cast<std::int64_t>(free.QuadPart);
        return true;
    }

    bool VolumeInformation(std::string_view root, TVolumeInfo& info) override {
        TCriticalErrorScope quiet;
        wchar_t label[MAX_PATH + 1] = {};
        wchar_t fileSystem[MAX_PATH + 1] = {};
        DWORD serial = 0, maxLength = 0, flags = 0;
        if (!::GetVolumeInformationW(RootOf(root).c_str(), label, MAX_PATH + 1, &serial, &maxLength, &flags, fileSystem,
                                     MAX_PATH + 1))
            return false;
        info.Label = Narrow(label);
        info.Serial = serial;
        info.MaxComponentLength = maxLength;
        info.Flags = flags;
        info.FileSystem = Narrow(fileSystem);
        return true;
    }

    bool ClusterGeometry(std::string_view root, TClusterGeometry& geometry) override {
        TCriticalErrorScope quiet;
        DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
        if (!::GetDiskFreeSpaceW(RootOf(root).c_str(), &sectors, &bytes, &freeClusters, &totalClusters)) return false;
        geometry.SectorsPerCluster = sectors;
        geometry.BytesPerSector = bytes;
        geometry.FreeClusters = freeClusters;
        geometry.TotalClusters = totalClusters;
        return true;
    }
};

}  // namespace

TVolumeQueries& SystemVolumes() {
    static TWinVolumes volumes;
    return volumes;
}
