// Saved scans: a walk written as ncdu JSON and read back, gzip, and the reader's answers to bad files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>

#include "platform/Exception.h"
#include "scans/ScanFile.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"
#include "support/TestSupport.h"

using vstest::TFakeLister;
using vstest::TFakeVolumes;

namespace {

constexpr std::int64_t kTicks2020 = 132223104000000000;  // 2020-01-01 00:00:00 UTC

class ScanFileTest : public ::testing::Test {
protected:
    TFakeLister FLister;
    TFakeVolumes FVolumes;
    TFolderSizeService FService{FLister, FVolumes};
    TScanFileInfo FInfo{"voluscope", "1.0", 1700000000};

    void SetUp() override {
        FVolumes.SetDrive('C', 4096);
        FLister.AddFile("c:\\data\\top.txt", 5000, kTicks2020);
        FLister.AddFile("c:\\data\\sub\\quo\"te\tx.bin", 1, kTicks2020 + 10000000);
        FLister.AddFile("c:\\data\\sub\\\xC3\xA9t\xC3\xA9.doc", 123456);
        FLister.AddFile("c:\\data\\denied\\before.txt", 7);
        FLister.AddFile("c:\\data\\denied\\after.txt", 9);
        FLister.FailListing("c:\\data\\denied", TDirStatus::AccessDenied, 1);
        FLister.AddEntry("c:\\data\\junction", faDirectory | faReparsePoint);
        FLister.AddFolder("c:\\data\\empty");
    }
    TScanRef Walk() {
        FService.Totals("c:\\data", "*.*");
        return FService.ScanTree().Find(FService.CacheKey("c:\\data"));
    }
    std::string WalkedText() {
        const TScanRef root = Walk();
        const TScanReader reader(FService.ScanTree());
        return ScanJsonText(reader, root, FInfo);
    }
    static TScanTotals TotalsOf(const TImportedScan& scan) {
        const TScanReader reader(*scan.Tree);
        return reader.Folder(scan.Root)->Total;
    }
};

TEST_F(ScanFileTest, AWalkReadBackTotalsAndWritesTheSameText) {
    const std::string text = WalkedText();
    const TImportedScan scan = ImportScanBytes(text);
    TFolderTotals walked = FService.Totals("c:\\data", "*.*");
    EXPECT_TRUE(walked.Partial);
    EXPECT_EQ(TotalsOf(scan), (TScanTotals{walked.Size, walked.Used, walked.Count}));
    EXPECT_EQ(scan.Path, "c:\\data");
    EXPECT_EQ(scan.Info.ProgName, "voluscope");
    EXPECT_EQ(scan.Info.Timestamp, 1700000000);
    // Names, times to the second, the denied folder, the junction and the empty folder all come back.
    const TScanReader reader(*scan.Tree);
    EXPECT_EQ(ScanJsonText(reader, scan.Root, FInfo), text);
    EXPECT_NE(text.find("{\"name\":\"quo\\\"te\\u0009x.bin\",\"asize\":1,\"dsize\":4096,\"mtime\":1577836801}"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[{\"name\":\"denied\",\"read_error\":true}"), std::string::npos) << text;
    EXPECT_NE(text.find("{\"name\":\"junction\",\"notreg\":true,\"excluded\":\"link\"}"), std::string::npos) << text;
}

TEST_F(ScanFileTest, GzipIsWrittenForADotGzNameAndReadWhateverTheName) {
    const TScanRef root = Walk();
    const vstest::TTempDir dir;
    const std::string plain = vstest::PathUtf8(dir.Path() / "scan.json");
    const std::string gz = vstest::PathUtf8(dir.Path() / "scan.json.GZ");
    const TScanReader reader(FService.ScanTree());
    const TScanExportResult a = ExportScan(reader, root, plain, FInfo);
    const TScanExportResult b = ExportScan(reader, root, gz, FInfo);
    const auto bytes = vstest::ReadFileBytes(vstest::Utf8Path(gz));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0x1F);
    EXPECT_EQ(bytes[1], 0x8B);
    EXPECT_EQ(a.TextBytes, b.TextBytes);
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), b.FileBytes);
    EXPECT_EQ(vstest::ReadFileText(vstest::Utf8Path(plain)), ScanJsonText(reader, root, FInfo));
    EXPECT_EQ(TotalsOf(ImportScan(gz)), TotalsOf(ImportScan(plain)));
    // A gzip file cut short is refused, not read in part.
    const std::string cut(reinterpret_cast<const char*>(bytes.data()), bytes.size() - 12);
    EXPECT_THROW(ImportScanBytes(cut), Exception);
}

std::string Doc(const std::string& body) {
    return "[1,2,{\"progname\":\"x\"},\n[{\"name\":\"/r\"}" + body + "]]";
}

std::string Nested(int levels) {
    std::string s = "[1,2,{},[{\"name\":\"/r\"}";
    for (int i = 0; i < levels; ++i) s += ",[{\"name\":\"d\"}";
    s.append(static_cast<std::size_t>(levels) + 2, ']');
    return s;
}

// The text through gzip, as a small file may carry gigabytes of it.
std::string Gzip(const std::string& text) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(ScanFileReader, BadFilesGiveTheReasonAndTheByteOffset) {
    struct TCase {
        std::string Text;
        std::string Reason;
        std::size_t Offset;
    };
    const std::string big = std::to_string(UINT64_C(9223372036854775808));
    const TCase cases[] = {
        {"", "the file is empty", 0},
        {"[1,2,{},[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":1", "Missing a comma or '}'", 44},
        {"[2,0,{},[{\"name\":\"/r\"}]]", "major version 2 is not 1", 1},
        {"{\"a\":1}", "an object where none belongs", 0},
        {Doc(",{\"name\":\"a\",\"asize\":" + big + "}"), "\"asize\" is beyond 2^63-1", 58},
        {Doc(",{\"name\":\"a\",\"asize\":18446744073709551616}"), "not a whole number below 2^63", 58},
        {Doc(",{\"name\":\"a\",\"dsize\":-1}"), "a negative dsize", 58},
        {Doc(",{\"name\":\"a\",\"asize\":1.5}"), "not a whole number", 58},
        {Doc(",{\"name\":\"a\"},[{\"name\":\"a\"}]"), "two entries named \"a\"", 65},
        {Doc(",{\"name\":\"a\\u0000b\"}"), "a name with a NUL character", 56},
        {Doc(",{\"name\":\"\xFF\"}"), "Invalid encoding in string", 47},
        {Doc(",{\"name\":\"a/b\"}"), "a name with a path separator", 51},
        {Doc(",{\"name\":\"..\"}"), "the name \"..\"", 50},
        {Doc(",{\"asize\":1}"), "an entry without a name", 48},
        {Doc(",{\"name\":\"a\",\"asize\":9223372036854775807},{\"name\":\"b\",\"asize\":1}"),
         "the sizes add up to more than 2^63-1 bytes", 100},
        {Doc(",7"), "neither a file nor a folder", 38},
        {"[1,2,{},{\"name\":\"/r\"}]", "an object where none belongs", 8},
        {"[1,2,{},[{\"name\":\"/r\"}]] 3", "must not be followed by other values", 25},
        {Nested(100000), "folders nested deeper than 16384 levels", 229385},
        {Doc(",{\"name\":\"" + std::string(70000, 'n') + "\"}"), "a text longer than 65536 bytes", 47 + 65536},
        {Gzip(Doc(",{\"name\":\"") + std::string(std::size_t{16} << 20, 'n')), "a text longer than 65536 bytes",
         47 + 65536},
    };
    // Offsets count from 0: a wrong value is placed at its first byte, a wrong name at its entry's end, a
    // duplicate at its folder's end.
    for (const TCase& c : cases) {
        try {
            ImportScanBytes(c.Text, "t.json");
            ADD_FAILURE() << "read: " << c.Text.substr(0, 80);
        } catch (const Exception& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find("Cannot read scan \"t.json\": "), std::string::npos) << message;
            EXPECT_NE(message.find(c.Reason), std::string::npos) << message;
            EXPECT_NE(message.find(" at byte " + std::to_string(c.Offset)), std::string::npos)
                << message << " (wanted byte " << c.Offset << ")";
        }
    }
}

TEST(ScanFileReader, WhatOtherProgramsWriteIsRead) {
    struct TCase {
        std::string Text;
        TScanTotals Totals;
    };
    const TCase cases[] = {
        // A 10 GB file claimed by a tiny document is a number, not an allocation.
        {Doc(",{\"name\":\"huge\",\"asize\":10737418240,\"dsize\":10737418240}"), {10737418240, 10737418240, 1}},
        // Unknown fields (with nested values) and ncdu's folder sizes are passed over; links count no bytes.
        {Doc(",{\"name\":\"l\",\"asize\":4,\"notreg\":true},{\"name\":\"f\",\"asize\":3,\"x\":[{\"y\":[1]}],\"dev\":"
             "1}"),
         {3, 0, 2}},
        // An excluded entry is listed, not entered nor counted.
        {Doc(",{\"name\":\"proc\",\"excluded\":\"otherfs\"},[{\"name\":\"d\",\"asize\":4096},{\"name\":\"f\",\"asize\":"
             "2}]"),
         {2, 0, 1}},
    };
    for (const TCase& c : cases) {
        const TImportedScan scan = ImportScanBytes(c.Text);
        const TScanReader reader(*scan.Tree);
        EXPECT_EQ(reader.Folder(scan.Root)->Total, c.Totals) << c.Text;
    }
}

}  // namespace
