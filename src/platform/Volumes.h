#pragma once
// Volume queries: which drive letters exist, what kind of drive each is, its free space, volume
// information and cluster geometry. Roots are drive roots such as "C:\" (UTF-8). The POSIX backend has no
// drive letters (an empty mask), but answers the space and geometry queries for any mounted path.
#include <cstdint>
#include <string>
#include <string_view>

// The kinds GetDriveType reports, with its values.
enum class TDriveType : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

struct TDiskSpace {
    std::int64_t Available = -1;  // free bytes the caller may use (quotas applied)
    std::int64_t Total = -1;      // bytes on the volume
    std::int64_t Free = -1;       // free bytes on the volume
};

struct TVolumeInfo {
    std::string Label;
    std::uint32_t Serial = 0;
    std::uint32_t MaxComponentLength = 0;
    std::uint32_t Flags = 0;  // FILE_CASE_SENSITIVE_SEARCH and friends
    std::string FileSystem;   // "NTFS", "FAT32", "ext4"...
};

struct TClusterGeometry {
    std::uint32_t SectorsPerCluster = 0;
    std::uint32_t BytesPerSector = 0;
    std::uint32_t FreeClusters = 0;
    std::uint32_t TotalClusters = 0;
    // Bytes per cluster; 0 when unknown.
    std::uint64_t ClusterBytes() const { return std::uint64_t{SectorsPerCluster} * BytesPerSector; }
};

// The volume interface. The system's lives behind SystemVolumes(); tests put fakes in its place. Each query
// returns false (and leaves the defaults) when the volume cannot be read: no media, no such drive.
// Implementations are safe to call from several threads at once.
class TVolumeQueries {
public:
    virtual ~TVolumeQueries() = default;
    // Bit 0 is A:, bit 25 is Z:.
    virtual std::uint32_t LogicalDriveMask() = 0;
    virtual TDriveType DriveType(std::string_view root) = 0;
    virtual bool DiskSpace(std::string_view root, TDiskSpace& space) = 0;
    virtual bool VolumeInformation(std::string_view root, TVolumeInfo& info) = 0;
    virtual bool ClusterGeometry(std::string_view root, TClusterGeometry& geometry) = 0;
};

TVolumeQueries& SystemVolumes();

// "C:\" for 'C' or 'c'; empty for a character that is not a letter.
std::string DriveRoot(char letter);
