// POSIX backend of the volume queries: no drive letters; space and geometry from statvfs, the file
// system's name from the mount table.
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Volumes.h"

namespace {

std::int64_t Clamp(unsigned long long blocks, unsigned long long unit) {
    if (unit != 0 && blocks > static_cast<unsigned long long>(INT64_MAX) / unit) return INT64_MAX;
    return static_cast<std::int64_t>(blocks * unit);
}

std::uint32_t Clamp32(unsigned long long value) {
    return static_cast<std::uint32_t>(std::min<unsigned long long>(value, UINT32_MAX));
}

class TPosixVolumes final : public TVolumeQueries {
public:
    std::uint32_t LogicalDriveMask() override { return 0; }

    TDriveType DriveType(std::string_view root) override {
        struct statvfs st {};
        return ::statvfs(std::string(root).c_str(), &st) == 0 ? TDriveType::Fixed : TDriveType::NoRootDir;
    }

    bool DiskSpace(std::string_view root, TDiskSpace& space) override {
        struct statvfs st {};
        if (::statvfs(std::string(root).c_str(), &st) != 0) return false;
        space.Available = Clamp(st.f_bavail, st.f_frsize);
        space.Total = Clamp(st.f_blocks, st.f_frsize);
        space.Free = Clamp(st.f_bfree, st.f_frsize);
        return true;
    }

    bool VolumeInformation(std::string_view root, TVolumeInfo& info) override {
        std::string path(root);
        struct statvfs st {};
        if (::statvfs(path.c_str(), &st) != 0) return false;
        info.Serial = static_cast<std::uint32_t>(st.f_fsid);
        info.MaxComponentLength = Clamp32(st.f_namemax);
        info.Flags = 0x3;  // case-sensitive search, case-preserved names
        info.Label.clear();
        info.FileSystem.clear();
        // The longest mount point that contains the path names its file system.
        std::ifstream mounts("/proc/self/mounts");
        std::string line, best;
        while (std::getline(mounts, line)) {
            std::istringstream fields(line);
            std::string device, mountPoint, type;
            if (!(fields >> device >> mountPoint >> type)) continue;
            bool inside = path.rfind(mountPoint, 0) == 0 &&
                          (mountPoint == "/" || path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
            if (inside && mountPoint.size() >= best.size()) {
                best = mountPoint;
                info.FileSystem = type;
            }
        }
        return true;
    }

    bool ClusterGeometry(std::string_view root, TClusterGeometry& geometry) override {
        struct statvfs st {};
        if (::statvfs(std::string(root).c_str(), &st) != 0) return false;
        geometry.SectorsPerCluster = 1;
        geometry.BytesPerSector = Clamp32(st.f_frsize);
        geometry.FreeClusters = Clamp32(st.f_bfree);
        geometry.TotalClusters = Clamp32(st.f_blocks);
        return true;
    }
};

}  // namespace

TVolumeQueries& SystemVolumes() {
    static TPosixVolumes volumes;
    return volumes;
}
