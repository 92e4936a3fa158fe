#include "support/TestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace vstest {

fs::path Utf8Path(std::string_view utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string PathUtf8(const fs::path& path) {
    std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

TTempDir::TTempDir() {
    static std::atomic<unsigned> serial{0};
    std::random_device rd;
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
        std::string name = "vstest-" + std::to_string(rd()) + "-" + std::to_string(stamp % 100000) + "-" +
                           std::to_string(serial++);
        FPath = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(FPath, ec)) break;
        if (attempt > 100) throw fs::filesystem_error("cannot create a temporary folder", FPath, ec);
    }
}

TTempDir::~TTempDir() {
    std::error_code ec;
    // Folders a test made unreadable must be opened up again before they can be removed.
    for (auto it = fs::recursive_directory_iterator(FPath, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ec2;
        if (it->is_directory(ec2) && !it->is_symlink(ec2)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec2);
    }
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
}

fs::path TTempDir::WriteFile(std::string_view relative, std::uint64_t size, char fill) const {
    fs::path file = FPath / Utf8Path(relative);
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::vector<char> block(64 * 1024, fill);
    while (size > 0) {
        auto n = static_cast<std::streamsize>(size < block.size() ? size : block.size());
        out.write(block.data(), n);
        size -= static_cast<std::uint64_t>(n);
    }
    return file;
}

fs::path TTempDir::MakeDir(std::string_view relative) const {
    fs::path dir = FPath / Utf8Path(relative);
    fs::create_directories(dir);
    return dir;
}

std::string ReadFileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<unsigned char> ReadFileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

std::uint32_t Crc32(const unsigned char* data, size_t n, std::uint32_t crc = 0) {
    static std::uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBe32(std::vector<unsigned char>& v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<unsigned char>(x >> s));
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, Crc32(body.data(), body.size()));
}

}  // namespace

bool SavePng(const fs::path& file, int width, int height, const std::uint32_t* pixels) {
    if (width <= 0 || height <= 0 || !pixels) return false;
    // Raw scan lines (filter byte 0, then RGB), stored in uncompressed deflate blocks.
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> ihdr;
    PutBe32(ihdr, static_cast<std::uint32_t>(width));
    PutBe32(ihdr, static_cast<std::uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out);
}

fs::path ScreenshotPath(std::string_view name) {
    fs::path dir = Utf8Path(VS_SCREENSHOT_DIR);
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir / Utf8Path(std::string(name) + ".png");
}

bool ScreenshotsWanted() {
    const char* v = std::getenv("VS_SCREENSHOTS");
    return v && *v && std::string_view(v) != "0";
}

}  // namespace vstest
