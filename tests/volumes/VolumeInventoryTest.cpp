// The volume table's rows from volume answers: which letters give rows, the texts of every column,
// the fullness lights, and drives that answer only part of the queries.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "volumes/VolumeInventory.h"

namespace {

struct TFakeDrive {
    bool SpaceAnswers = true;
    TDiskSpace Space{500, 1000, 600};  // available, total, free
    TDriveType Type = TDriveType::Fixed;
    bool InfoAnswers = true;
    TVolumeInfo Info{"Data", 1234, 255, 4 | 16, "NTFS"};
};

// Volume answers per letter, with a log of every query asked.
class TScriptedVolumes : public TVolumeQueries {
public:
    std::map<char, TFakeDrive> Drives;
    std::vector<std::string> Log;

    std::uint32_t LogicalDriveMask() override {
        std::uint32_t mask = 0;
        for (const auto& [letter, drive] : Drives) mask |= 1u << (letter - 'A');
        return mask;
    }
    TDriveType DriveType(std::string_view root) override {
        Log.push_back("type " + std::string(root));
        return Drives.at(root[0]).Type;
    }
    bool DiskSpace(std::string_view root, TDiskSpace& space) override {
        Log.push_back("space " + std::string(root));
        const TFakeDrive& d = Drives.at(root[0]);
        if (!d.SpaceAnswers) return false;
        space = d.Space;
        return true;
    }
    bool VolumeInformation(std::string_view root, TVolumeInfo& info) override {
        Log.push_back("info " + std::string(root));
        const TFakeDrive& d = Drives.at(root[0]);
        if (!d.InfoAnswers) {
            // What a failed system call may leave in its buffers.
            info = TVolumeInfo{"\x7f\x01garbage", 0xDEADBEEF, 1, 0xFFFFFFFF, "??FS"};
            return false;
        }
        info = d.Info;
        return true;
    }
    bool ClusterGeometry(std::string_view, TClusterGeometry&) override {
        ADD_FAILURE() << "the rows take cluster sizes from the cluster table";
        return false;
    }
};

std::uint32_t Cluster4K(char) {
    return 4096;
}

std::vector<std::string> Letters(const std::vector<TVolumeRow>& rows) {
    std::vector<std::string> out;
    for (const TVolumeRow& r : rows) out.push_back(r.Cells.at(0));
    return out;
}

}  // namespace

TEST(VolumeLight, ThresholdsAtEightyAndNinetyPercent) {
    const struct {
        double Fraction;
        int Light;
    } fractions[] = {{0.0, kLightGreen},   {0.5, kLightGreen},     {0.799, kLightGreen}, {0.8, kLightYellow},
                     {0.85, kLightYellow}, {0.8999, kLightYellow}, {0.9, kLightRed},     {1.0, kLightRed}};
    for (const auto& c : fractions) EXPECT_EQ(c.Light, VolumeLightFor(c.Fraction)) << c.Fraction;

    // From byte counts, the fraction computed in floating point.
    const struct {
        std::int64_t Used, Total;
        int Light;
    } bytes[] = {{80, 100, kLightYellow},
                 {90, 100, kLightRed},
                 {799, 1000, kLightGreen},
                 {8000000000LL, 10000000000LL, kLightYellow},
                 {(1LL << 40) * 9 / 10 - 1, 1LL << 40, kLightYellow},
                 {0, 0, kLightGreen}};
    for (const auto& c : bytes) EXPECT_EQ(c.Light, VolumeLightFor(c.Used, c.Total)) << c.Used << "/" << c.Total;
    EXPECT_EQ(14, kLightGreen);
    EXPECT_EQ(15, kLightYellow);
    EXPECT_EQ(13, kLightRed);
}

TEST(VolumeSpace, FiguresOrZerosWhenTheQueryFails) {
    TScriptedVolumes v;
    v.Drives['C'].Space = TDiskSpace{300, 1000, 400};
    v.Drives['D'].SpaceAnswers = false;
    std::int64_t used = -5, free = -5, available = -5;
    EXPECT_EQ(1000, GetVolumeSpace(v, "C:\\", used, free, available));
    EXPECT_EQ(600, used);
    EXPECT_EQ(400, free);
    EXPECT_EQ(300, available);
    EXPECT_EQ(0, GetVolumeSpace(v, "D:\\", used, free, available));
    EXPECT_EQ(0, used);
    EXPECT_EQ(0, free);
    EXPECT_EQ(0, available);
    // An unsigned total beyond the signed range is no answer either.
    v.Drives['E'].Space = TDiskSpace{1, -2, 1};
    EXPECT_EQ(0, GetVolumeSpace(v, "E:\\", used, free, available));
    EXPECT_EQ(0, used);
}

TEST(VolumeRows, EveryColumnOfOneDrive) {
    TScriptedVolumes v;
    TFakeDrive& c = v.Drives['C'];
    c.Space = TDiskSpace{(1LL << 30) / 2, (1LL << 30) + 1, (1LL << 30) / 4};
    c.Info = TVolumeInfo{"System", 4042322160u, 255, 4 | 16, "NTFS"};
    std::vector<TVolumeRow> rows = ReadVolumeRows(v, Cluster4K);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("System", rows[0].Label);
    const std::vector<std::string> want = {"C:",     "Fixed", "NTFS",       "1 GB", "768 MB", "256 MB",
                                           "512 MB", "4096",  "4042322160", "Yes",  "Yes",    "No"};
    EXPECT_EQ(want, rows[0].Cells);
    EXPECT_EQ(kLightGreen, rows[0].ImageIndex);  // 0.75 used
}

TEST(VolumeRows, TypesFlagsAndSerials) {
    const struct {
        TDriveType Type;
        std::uint32_t Flags;
        std::uint32_t Serial;
        const char* TypeText;
        const char* Unicode;
        const char* Compression;
        const char* Compressed;
        const char* SerialText;
    } cases[] = {
        {TDriveType::Fixed, 32768, 0, "Fixed", "No", "No", "Yes", "0"},
        {TDriveType::Removable, 32768 | 16 | 4, 1, "Removable", "Yes", "Yes", "No", "1"},
        {TDriveType::Remote, 4, 2147483648u, "Network", "Yes", "No", "No", "2147483648"},
        {TDriveType::CdRom, 0, 4294967295u, "CD-ROM", "No", "No", "No", "4294967295"},
        {TDriveType::RamDisk, 16, 2018915346u, "RAM Disk", "No", "Yes", "No", "2018915346"},
    };
    for (const auto& k : cases) {
        TScriptedVolumes v;
        v.Drives['D'].Type = k.Type;
        v.Drives['D'].Info.Flags = k.Flags;
        v.Drives['D'].Info.Serial = k.Serial;
        std::vector<TVolumeRow> rows = ReadVolumeRows(v, Cluster4K);
        ASSERT_EQ(1u, rows.size()) << k.TypeText;
        const std::vector<std::string>& cells = rows[0].Cells;
        EXPECT_EQ(k.TypeText, cells[1]);
        EXPECT_EQ(k.SerialText, cells[8]) << k.TypeText;
        EXPECT_EQ(k.Unicode, cells[9]) << k.TypeText;
        EXPECT_EQ(k.Compression, cells[10]) << k.TypeText;
        EXPECT_EQ(k.Compressed, cells[11]) << k.TypeText;
    }
}

TEST(VolumeRows, LettersWithoutASizeOrTypeGiveNoRow) {
    TScriptedVolumes v;
    v.Drives['A'].SpaceAnswers = false;         // empty floppy
    v.Drives['C'];                              // listed
    v.Drives['D'].Space = TDiskSpace{0, 0, 0};  // empty card reader
    v.Drives['E'].Type = TDriveType::Unknown;
    v.Drives['F'].Type = TDriveType::NoRootDir;
    v.Drives['Z'].Type = TDriveType::Remote;  // listed
    EXPECT_EQ((std::vector<std::string>{"C:", "Z:"}), Letters(ReadVolumeRows(v, Cluster4K)));
}

// A drive without media or out of reach is asked its free space and nothing more, so it costs one
// answer time of the platform; the others are asked in the order space, type, information.
TEST(VolumeRows, FailingDrivesAreAskedOnlyForTheirSpace) {
    TScriptedVolumes v;
    v.Drives['A'].SpaceAnswers = false;
    v.Drives['C'];
    v.Drives['N'].SpaceAnswers = false;
    v.Drives['N'].Type = TDriveType::Remote;
    ReadVolumeRows(v, Cluster4K);
    const std::vector<std::string> want = {"space A:\\", "space C:\\", "type C:\\", "info C:\\", "space N:\\"};
    EXPECT_EQ(want, v.Log);
}

TEST(VolumeRows, VolumeInformationThatFailsLeavesItsColumnsEmpty) {
    TScriptedVolumes v;
    v.Drives['C'].InfoAnswers = false;
    v.Drives['C'].Type = TDriveType::Fixed;
    std::vector<TVolumeRow> rows = ReadVolumeRows(v, Cluster4K);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("", rows[0].Label);
    const std::vector<std::string> want = {"C:",  "Fixed", "", "1000", "400", "600",
                                           "500", "4096",  "", "No",   "No",  "No"};
    EXPECT_EQ(want, rows[0].Cells);
}

TEST(VolumeRows, ClusterColumnAndLightsPerDrive) {
    TScriptedVolumes v;
    v.Drives['C'].Space = TDiskSpace{0, 100, 20};    // 80 % used
    v.Drives['D'].Space = TDiskSpace{0, 100, 10};    // 90 %
    v.Drives['E'].Space = TDiskSpace{0, 1000, 201};  // 79.9 %
    v.Drives['F'].Info.Label = "";
    std::vector<TVolumeRow> rows = ReadVolumeRows(v, [](char letter) -> std::uint32_t {
        return letter == 'C' ? 512 : letter == 'D' ? 65536 : 0;
    });
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ(kLightYellow, rows[0].ImageIndex);
    EXPECT_EQ(kLightRed, rows[1].ImageIndex);
    EXPECT_EQ(kLightGreen, rows[2].ImageIndex);
    EXPECT_EQ("512", rows[0].Cells[7]);
    EXPECT_EQ("65536", rows[1].Cells[7]);
    EXPECT_EQ("0", rows[2].Cells[7]);
    EXPECT_EQ("", rows[3].Label);  // no label: empty caption, every other column filled
    EXPECT_EQ("NTFS", rows[3].Cells[2]);
}
