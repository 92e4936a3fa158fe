#pragma once
// JPEG pictures decoded with libjpeg for the tests. A picture libjpeg cannot read fails the running
// test and decodes as empty: libjpeg's own error handler would end the whole test program.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE
extern "C" {
#include <jpeglib.h>
}

#include "support/TestSupport.h"

namespace jpegtest {

struct TDecoded {
    int Width = 0, Height = 0, Components = 0;
    bool Progressive = true;
    std::vector<unsigned char> Rgb;  // 3 bytes a pixel, top row first
};

namespace detail {

// libjpeg's error manager first, so that the library's pointer to it is a pointer to the whole.
struct TErrors {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// Instead of exit(): keep the text and return to the setjmp in Run.
inline void ErrorExit(j_common_ptr info) {
    TErrors* errors = reinterpret_cast<TErrors*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

// The decoding itself. Only trivially destructible objects live in this frame, and none is read
// after the jump but the error text, so longjmp skips nothing that needs undoing.
inline bool Run(jpeg_decompress_struct& info, TErrors& errors, const unsigned char* data, std::size_t size,
                TDecoded& d) {
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    d.Progressive = jpeg_has_multiple_scans(&info);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    d.Width = static_cast<int>(info.output_width);
    d.Height = static_cast<int>(info.output_height);
    d.Components = info.output_components;
    d.Rgb.resize(static_cast<std::size_t>(d.Width) * d.Height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = d.Rgb.data() + static_cast<std::size_t>(info.output_scanline) * d.Width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace detail

// Decodes a JPEG picture to RGB. An error, or a warning such as data ending early, fails the test
// with libjpeg's text and gives an empty picture.
inline TDecoded DecodeJpeg(const std::vector<unsigned char>& data) {
    TDecoded d;
    jpeg_decompress_struct info{};
    detail::TErrors errors{};
    info.err = jpeg_std_error(&errors.Mgr);
    errors.Mgr.error_exit = &detail::ErrorExit;
    const bool ok = detail::Run(info, errors, data.data(), data.size(), d);
    if (!ok || errors.Mgr.num_warnings > 0) {
        if (ok) std::snprintf(errors.Message, sizeof errors.Message, "%ld warning(s)", errors.Mgr.num_warnings);
        ADD_FAILURE() << "the JPEG picture does not decode: " << errors.Message;
        return TDecoded{};
    }
    return d;
}

// The picture in a file; empty, with no failure of its own, when the file is missing or empty.
inline TDecoded DecodeJpegFile(const std::filesystem::path& file) {
    const std::vector<unsigned char> data = vstest::ReadFileBytes(file);
    return data.empty() ? TDecoded{} : DecodeJpeg(data);
}

// Mean absolute difference per channel between 0xRRGGBB pixels (top row first) and the decoded
// picture; infinite when their sizes differ, so that a comparison with a limit fails.
inline double MeanDifference(const std::vector<std::uint32_t>& pixels, const TDecoded& d) {
    if (pixels.empty() || d.Rgb.size() != pixels.size() * 3) return std::numeric_limits<double>::infinity();
    double sum = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t c = pixels[i];
        sum += std::abs(int((c >> 16) & 255) - d.Rgb[3 * i]) + std::abs(int((c >> 8) & 255) - d.Rgb[3 * i + 1]) +
               std::abs(int(c & 255) - d.Rgb[3 * i + 2]);
    }
    return sum / (3.0 * pixels.size());
}

}  // namespace jpegtest
