#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/DirList.h"
#include "platform/ErrorMode.h"
#include "platform/Volumes.h"
#include "support/TestSupport.h"

namespace {

bool Windows() {
    return SystemDirLister().Separator() == '\\';
}

TEST(PlatformVolumes, DriveRoot) {
    EXPECT_EQ(DriveRoot('c'), "C:\\");
    EXPECT_EQ(DriveRoot('Z'), "Z:\\");
    EXPECT_EQ(DriveRoot('1'), "");
    EXPECT_EQ(DriveRoot('\\'), "");
    EXPECT_EQ(DriveRoot('\0'), "");
}

TEST(PlatformVolumes, TheVolumeOfTheTemporaryFolder) {
    vstest::TTempDir temp;
    TVolumeQueries& volumes = SystemVolumes();
    std::string root;
    if (Windows()) {
        root = temp.Utf8().substr(0, 3);  // "C:\"
        const std::uint32_t mask = volumes.LogicalDriveMask();
        EXPECT_TRUE(mask & (1u << (root[0] - 'A'))) << root;
        EXPECT_EQ(volumes.DriveType(root), TDriveType::Fixed);
    } else {
        root = temp.Utf8();
        EXPECT_EQ(volumes.LogicalDriveMask(), 0u);  // no drive letters
    }
    TDiskSpace space;
    ASSERT_TRUE(volumes.DiskSpace(root, space));
    EXPECT_GT(space.Total, 0);
    EXPECT_GE(space.Free, space.Available);
    EXPECT_LE(space.Free, space.Total);
    TClusterGeometry geometry;
    ASSERT_TRUE(volumes.ClusterGeometry(root, geometry));
    EXPECT_GE(geometry.ClusterBytes(), 512u);
    EXPECT_LE(geometry.FreeClusters, geometry.TotalClusters);
    TVolumeInfo info;
    ASSERT_TRUE(volumes.VolumeInformation(root, info));
    EXPECT_FALSE(info.FileSystem.empty());
    EXPECT_GT(info.MaxComponentLength, 0u);
}

TEST(PlatformVolumes, MissingVolumeAnswersNothing) {
    TVolumeQueries& volumes = SystemVolumes();
    std::string root;
    if (Windows()) {
        const std::uint32_t mask = volumes.LogicalDriveMask();
        for (int i = 25; i >= 3 && root.empty(); --i)
            if (!(mask & (1u << i))) root = DriveRoot(static_cast<char>('A' + i));
        ASSERT_FALSE(root.empty());
        EXPECT_EQ(volumes.DriveType(root), TDriveType::NoRootDir);
    } else {
        root = "/no/such/volume/here";
    }
    TDiskSpace space;
    EXPECT_FALSE(volumes.DiskSpace(root, space));
    EXPECT_EQ(space.Total, -1);
    TClusterGeometry geometry;
    EXPECT_FALSE(volumes.ClusterGeometry(root, geometry));
    EXPECT_EQ(geometry.ClusterBytes(), 0u);
    TVolumeInfo info;
    EXPECT_FALSE(volumes.VolumeInformation(root, info));
}

TEST(PlatformErrorMode, ScopesNestAndRestoreOnEveryWayOut) {
    ASSERT_FALSE(CriticalErrorsSuppressed());
    {
        TCriticalErrorScope outer;
        EXPECT_TRUE(CriticalErrorsSuppressed());
        {
            TCriticalErrorScope inner;
            EXPECT_TRUE(CriticalErrorsSuppressed());
        }
        EXPECT_TRUE(CriticalErrorsSuppressed());  // the inner scope gave back the outer's mode
    }
    EXPECT_FALSE(CriticalErrorsSuppressed());
    try {
        TCriticalErrorScope scope;
        throw std::runtime_error("escapes");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(CriticalErrorsSuppressed());
}

TEST(PlatformErrorMode, ModeBelongsToTheThread) {
    TCriticalErrorScope scope;
    bool other = true;
    std::thread([&] { other = CriticalErrorsSuppressed(); }).join();
    EXPECT_FALSE(other);
    EXPECT_TRUE(CriticalErrorsSuppressed());
}

}  // namespace
