#include "charts/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern "C" {
#include <jpeglib.h>
}

#include "platform/Exception.h"

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. It is C code, so no
// C++ exception may pass through it: error_exit jumps back to the encoder's frame instead, and
// the exception is raised from there.
struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}

void SilentMessage(j_common_ptr) {}

// The state the encoder leaves behind, kept out of registers so that it survives the jump.
struct TEncodeState {
    jpeg_compress_struct Info{};
    TJpegError Error{};
    unsigned char* Data = nullptr;
    unsigned long Size = 0;
    bool Created = false;
};

// Returns 0, or libjpeg's message number of the error that stopped it. Only trivially
// destructible objects live in this frame after setjmp.
int Encode(TEncodeState& s, const TRgbPicture& picture, int quality, unsigned char* row) {
    s.Info.err = jpeg_std_error(&s.Error.Manager);
    s.Error.Manager.error_exit = ErrorExit;
    s.Error.Manager.output_message = SilentMessage;
    if (setjmp(s.Error.Jump)) return s.Error.Manager.msg_code ? s.Error.Manager.msg_code : -1;
    jpeg_create_compress(&s.Info);
    s.Created = true;
    jpeg_mem_dest(&s.Info, &s.Data, &s.Size);
    s.Info.image_width = static_cast<JDIMENSION>(picture.Width);
    s.Info.image_height = static_cast<JDIMENSION>(picture.Height);
    s.Info.input_components = 3;
    s.Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.Info);
    jpeg_set_quality(&s.Info, quality, TRUE);  // baseline-compatible quantisation tables
    jpeg_start_compress(&s.Info, TRUE);
    const std::uint32_t* pixels = picture.Pixels.data();
    while (s.Info.next_scanline < s.Info.image_height) {
        const std::uint32_t* src = pixels + static_cast<size_t>(s.Info.next_scanline) * picture.Width;
        for (int x = 0; x < picture.Width; ++x) {
            row[3 * x] = static_cast<unsigned char>(src[x] >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(src[x]);
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&s.Info, rows, 1);
    }
    jpeg_finish_compress(&s.Info);
    return 0;
}

std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

}  // namespace

std::vector<unsigned char> EncodeJpeg(const TRgbPicture& picture, int quality) {
    // A picture whose pixels do not cover its size is refused like an empty one (libjpeg's
    // "Empty JPEG image" error), never read past its end.
    TRgbPicture empty;
    bool usable = picture.Width > 0 && picture.Height > 0 &&
                  picture.Pixels.size() >= static_cast<size_t>(picture.Width) * static_cast<size_t>(picture.Height);
    const TRgbPicture& source = usable ? picture : empty;
    std::vector<unsigned char> row(static_cast<size_t>(source.Width) * 3 + 3);
    TEncodeState state;
    int error = Encode(state, source, quality, row.data());
    if (state.Created) jpeg_destroy_compress(&state.Info);
    std::vector<unsigned char> data;
    if (!error && state.Data) data.assign(state.Data, state.Data + state.Size);
    std::free(state.Data);
    if (error) throw Exception("JPEG error #" + std::to_string(error));
    return data;
}

void WriteJpegFile(const std::string& fileName, const TRgbPicture& picture) {
    std::vector<unsigned char> data = EncodeJpeg(picture);
    std::filesystem::path path = PathFromUtf8(fileName);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw Exception("Cannot create file " + fileName);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    if (out.fail()) {
        // A disk that filled up: the half-written picture is not left behind.
        std::error_code ec;
        std::filesystem::remove(path, ec);
        throw Exception("Cannot create file " + fileName);
    }
}
