#pragma once
// Chart pictures as JPEG files through libjpeg: baseline, quality 90, three colour components
// (24 bits per pixel), libjpeg's defaults otherwise. Portable.
#include <cstdint>
#include <string>
#include <vector>

// A picture of Width x Height pixels, 0x00RRGGBB, top row first.
struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

// The JPEG data of `picture`. An encoder error raises Exception "JPEG error #<libjpeg's message
// number>"; an empty picture is such an error.
std::vector<unsigned char> EncodeJpeg(const TRgbPicture& picture, int quality = 90);

// Encodes `picture` in memory, then creates or replaces `fileName` (UTF-8) with the data in one
// piece. Nothing is written when encoding fails. A file that cannot be created or written raises
// Exception "Cannot create file <fileName>"; a file left half written is removed.
void WriteJpegFile(const std::string& fileName, const TRgbPicture& picture);
