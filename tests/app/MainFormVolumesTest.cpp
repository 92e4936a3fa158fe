// The volume table in the main window: the rows of the drives Wine has, checked column by column
// against the system's own answers, and a fill through fake volumes (hourglass, quiet errors, lights).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "platform/ErrorMode.h"
#include "platform/Volumes.h"
#include "platform/WinText.h"
#include "shell/SizeText.h"
#include "ui/UiTestEnv.h"

namespace {

class VolumeTable : public uitest::TMainFormTest {};

// One drive as the system answers, read with the plain Win32 calls.
struct TSystemDrive {
    bool Listed = false;
    std::vector<std::string> Free, Available, Used;  // texts that may be seen (read before and after)
    TListItemData Row;
};

TSystemDrive ReadDrive(wchar_t letter) {
    TSystemDrive d;
    const wchar_t root[] = {letter, L':', L'\\', 0};
    ULARGE_INTEGER available{}, total{}, free{};
    UINT old = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    bool space = ::GetDiskFreeSpaceExW(root, &available, &total, &free);
    UINT type = ::GetDriveTypeW(root);
    wchar_t label[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD serial = 0, maxLength = 0, flags = 0;
    bool info = ::GetVolumeInformationW(root, label, MAX_PATH + 1, &serial, &maxLength, &flags, fs, MAX_PATH + 1);
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    ::GetDiskFreeSpaceW(root, &sectors, &bytes, &freeClusters, &totalClusters);
    ::SetErrorMode(old);
    d.Listed = space && total.QuadPart > 0 && type > DRIVE_NO_ROOT_DIR;
    if (!d.Listed) return d;
    const char* types[] = {"", "", "Removable", "Fixed", "Network", "CD-ROM", "RAM Disk"};
    auto yes = [](bool b) { return std::string(b ? "Yes" : "No"); };
    const auto t = static_cast<std::int64_t>(total.QuadPart), f = static_cast<std::int64_t>(free.QuadPart);
    d.Row.Caption = info ? Narrow(label) : "";
    d.Row.SubItems = {std::string(1, static_cast<char>(letter)) + ":",
                      std::string(types[type]),
                      info ? Narrow(fs) : "",
                      FormatBytes('A', t),
                      "",
                      "",
                      "",
                      std::to_string(std::uint64_t{sectors} * bytes),
                      info ? std::to_string(serial) : "",
                      yes(flags & FILE_UNICODE_ON_DISK),
                      yes(flags & FILE_FILE_COMPRESSION),
                      yes(type != DRIVE_REMOVABLE && (flags & FILE_VOLUME_IS_COMPRESSED))};
    d.Used = {FormatBytes('A', t - f)};
    d.Free = {FormatBytes('A', f)};
    d.Available = {FormatBytes('A', static_cast<std::int64_t>(available.QuadPart))};
    return d;
}

std::vector<TListItemData> Rows(TListView* list) {
    std::vector<TListItemData> rows;
    for (int i = 0; i < list->ItemCount(); ++i) rows.push_back(list->Item(i));
    return rows;
}

bool Contains(const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

// Answers from a table; remembers whether each query ran under the hourglass with quiet errors.
class TRecordingVolumes : public TVolumeQueries {
public:
    std::map<char, std::pair<TDiskSpace, TVolumeInfo>> Drives;
    std::set<char> NoMedia;
    int Queries = 0, QueriesBusy = 0;

    std::uint32_t LogicalDriveMask() override {
        std::uint32_t mask = 0;
        for (const auto& [letter, drive] : Drives) mask |= 1u << (letter - 'A');
        for (char letter : NoMedia) mask |= 1u << (letter - 'A');
        return mask;
    }
    TDriveType DriveType(std::string_view root) override {
        Note();
        return root[0] == 'A' ? TDriveType::Removable : TDriveType::Fixed;
    }
    bool DiskSpace(std::string_view root, TDiskSpace& space) override {
        Note();
        if (NoMedia.count(root[0])) return false;
        space = Drives.at(root[0]).first;
        return true;
    }
    bool VolumeInformation(std::string_view root, TVolumeInfo& info) override {
        Note();
        info = Drives.at(root[0]).second;
        return true;
    }
    bool ClusterGeometry(std::string_view, TClusterGeometry&) override { return false; }

private:
    void Note() {
        ++Queries;
        if (HourGlassActive() && CriticalErrorsSuppressed()) ++QueriesBusy;
    }
};

}  // namespace

TEST_F(VolumeTable, RowsOfWinesDrivesMatchTheSystemsAnswers) {
    std::vector<TSystemDrive> before, after;
    const DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) before.push_back(ReadDrive(static_cast<wchar_t>(L'A' + i)));
    F->FillVolumeList(F->VolumeList);
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) after.push_back(ReadDrive(static_cast<wchar_t>(L'A' + i)));

    std::vector<TListItemData> rows = Rows(F->VolumeList);
    std::size_t r = 0;
    for (std::size_t k = 0; k < before.size(); ++k) {
        if (!before[k].Listed) continue;
        ASSERT_LT(r, rows.size());
        const TListItemData& want = before[k].Row;
        const TListItemData& got = rows[r++];
        ASSERT_EQ(12u, got.SubItems.size());
        const std::string& letter = want.SubItems[0];
        EXPECT_EQ(want.Caption, got.Caption) << letter;
        for (int c : {0, 1, 2, 3, 7, 8, 9, 10, 11}) EXPECT_EQ(want.SubItems[c], got.SubItems[c]) << letter << c;
        // Free space may move while the test runs on a busy machine: either reading counts.
        auto seen = [&](auto field, int column) {
            std::vector<std::string> texts = before[k].*field;
            for (const std::string& t : after[k].*field) texts.push_back(t);
            EXPECT_TRUE(Contains(texts, got.SubItems[column]))
                << letter << " column " << column << ": " << got.SubItems[column];
        };
        seen(&TSystemDrive::Used, 4);
        seen(&TSystemDrive::Free, 5);
        seen(&TSystemDrive::Available, 6);
        EXPECT_TRUE(got.ImageIndex == 13 || got.ImageIndex == 14 || got.ImageIndex == 15) << letter;
    }
    EXPECT_EQ(r, rows.size());
    EXPECT_GE(rows.size(), 2u);  // Wine has C: and Z: at least
    EXPECT_FALSE(HourGlassActive());
}

TEST_F(VolumeTable, FillRunsUnderTheHourglassWithQuietErrorsAndReplacesTheRows) {
    TRecordingVolumes v;
    v.Drives['C'] = {TDiskSpace{100, 1000, 200}, TVolumeInfo{"System", 4042322160u, 255, 4 | 16, "NTFS"}};
    v.Drives['D'] = {TDiskSpace{0, 1000, 100}, TVolumeInfo{"", 7, 255, 32768, "FAT32"}};
    v.Drives['E'] = {TDiskSpace{0, 1000, 201}, TVolumeInfo{"Card", 1, 255, 0, "FAT"}};
    v.NoMedia = {'A'};
    F->VolumeQueries = &v;
    ASSERT_FALSE(CriticalErrorsSuppressed());
    F->FillVolumeList(F->VolumeList);
    EXPECT_GT(v.Queries, 0);
    EXPECT_EQ(v.Queries, v.QueriesBusy);
    EXPECT_FALSE(HourGlassActive());
    EXPECT_FALSE(CriticalErrorsSuppressed());

    std::vector<TListItemData> rows = Rows(F->VolumeList);
    ASSERT_EQ(3u, rows.size());
    const struct {
        const char* Caption;
        const char* Letter;
        const char* Serial;
        const char* Compressed;
        int Image;
    } want[] = {{"System", "C:", "4042322160", "No", 15}, {"", "D:", "7", "Yes", 13}, {"Card", "E:", "1", "No", 14}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(want[i].Caption, rows[i].Caption);
        EXPECT_EQ(want[i].Letter, rows[i].SubItems[0]);
        EXPECT_EQ(want[i].Serial, rows[i].SubItems[8]);
        EXPECT_EQ(want[i].Compressed, rows[i].SubItems[11]);
        EXPECT_EQ(want[i].Image, rows[i].ImageIndex) << want[i].Letter;
    }
    EXPECT_EQ("1000", rows[0].SubItems[3]);
    EXPECT_EQ("800", rows[0].SubItems[4]);

    v.Drives.erase('D');
    v.Drives.erase('E');
    F->FillVolumeList(F->VolumeList);
    ASSERT_EQ(1, F->VolumeList->ItemCount());
    EXPECT_EQ("C:", F->VolumeList->Item(0).SubItems[0]);
    F->VolumeQueries = nullptr;
}
