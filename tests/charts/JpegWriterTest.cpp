// JPEG pictures: decoded again with libjpeg, they have the picture's size and colours.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "charts/JpegDecode.h"
#include "charts/JpegWriter.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

namespace {

using jpegtest::DecodeJpeg;
using jpegtest::MeanDifference;
using jpegtest::TDecoded;

// A chart-like picture: a light background with a few large blocks of strong colours.
TRgbPicture SamplePicture(int w, int h) {
    TRgbPicture p{w, h, std::vector<std::uint32_t>(static_cast<size_t>(w) * h, 0xFFFFEC)};
    const std::uint32_t colours[] = {0xFF0000, 0x008000, 0xFFFF00, 0x0000FF};
    for (int y = h / 4; y < h * 3 / 4; ++y)
        for (int x = w / 8; x < w * 7 / 8; ++x) p.Pixels[static_cast<size_t>(y) * w + x] = colours[(x * 4) / w];
    return p;
}

TEST(JpegWriter, DecodesToThePictureSizeAndColours) {
    for (auto [w, h] : {std::pair{320, 240}, std::pair{17, 5}, std::pair{1, 1}}) {
        TRgbPicture p = SamplePicture(w, h);
        TDecoded d = DecodeJpeg(EncodeJpeg(p));
        EXPECT_EQ(d.Width, w);
        EXPECT_EQ(d.Height, h);
        EXPECT_EQ(d.Components, 3);
        EXPECT_FALSE(d.Progressive);
        // Sharp colour edges in a tiny picture are blurred by the colour subsampling; a picture
        // of chart size stays within a few levels per channel on average.
        if (w >= 64) {
            EXPECT_LT(MeanDifference(p.Pixels, d), 4.0);
        }
    }
}

TEST(JpegWriter, ChannelsAreNotSwapped) {
    TRgbPicture p{16, 16, std::vector<std::uint32_t>(256, 0xFF0000)};  // pure red
    TDecoded d = DecodeJpeg(EncodeJpeg(p));
    ASSERT_EQ(d.Rgb.size(), 16u * 16 * 3);
    EXPECT_GT(d.Rgb[0], 240);
    EXPECT_LT(d.Rgb[1], 16);
    EXPECT_LT(d.Rgb[2], 16);
}

TEST(JpegWriter, QualityNinetyIsTheDefault) {
    TRgbPicture p = SamplePicture(200, 100);
    EXPECT_EQ(EncodeJpeg(p), EncodeJpeg(p, 90));
    EXPECT_NE(EncodeJpeg(p), EncodeJpeg(p, 50));
}

TEST(JpegWriter, WritesTheFileInOnePiece) {
    vstest::TTempDir dir;
    std::string name = dir.Utf8() + "/chart \xC3\xA9t\xC3\xA9.jpg";
    TRgbPicture p = SamplePicture(64, 48);
    WriteJpegFile(name, p);
    EXPECT_EQ(vstest::ReadFileBytes(vstest::Utf8Path(name)), EncodeJpeg(p));
    // Replacing an existing, longer file leaves nothing of it behind.
    std::ofstream(vstest::Utf8Path(name), std::ios::binary) << std::string(100000, 'z');
    WriteJpegFile(name, p);
    EXPECT_EQ(vstest::ReadFileBytes(vstest::Utf8Path(name)), EncodeJpeg(p));
}

TEST(JpegWriter, ErrorsCarryTheirTexts) {
    vstest::TTempDir dir;
    std::string missing = dir.Utf8() + "/no such folder/chart.jpg";
    try {
        WriteJpegFile(missing, SamplePicture(8, 8));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing);
    }
    // An empty picture is the encoder's error, and no file is created.
    std::string empty = dir.Utf8() + "/empty.jpg";
    for (const TRgbPicture& p : {TRgbPicture{}, TRgbPicture{10, 10, {}}}) {
        try {
            WriteJpegFile(empty, p);
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_EMPTY_IMAGE));
        }
        EXPECT_FALSE(std::filesystem::exists(vstest::Utf8Path(empty)));
    }
}

}  // namespace
