#pragma once
// Helpers shared by the test programs: temporary folders, files of known size, screenshots.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vstest {

// std::filesystem paths from and to UTF-8 text (the program's text everywhere).
std::filesystem::path Utf8Path(std::string_view utf8);
std::string PathUtf8(const std::filesystem::path& path);

// A fresh empty folder under the system's temporary folder, removed with all its contents
// when the object goes. Path() has no trailing separator.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string Utf8() const { return PathUtf8(FPath); }
    // Creates parent folders as needed and a file of `size` bytes (written, not sparse).
    std::filesystem::path WriteFile(std::string_view relative, std::uint64_t size, char fill = 'x') const;
    std::filesystem::path MakeDir(std::string_view relative) const;

private:
    std::filesystem::path FPath;
};

// The whole content of a file, read in binary mode; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& file);
std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& file);

// Writes 32-bit pixels (0x00RRGGBB, top row first) as a PNG file. Returns false on failure.
bool SavePng(const std::filesystem::path& file, int width, int height, const std::uint32_t* pixels);

// build/screenshots/<name>.png (the folder is created on first use).
std::filesystem::path ScreenshotPath(std::string_view name);

// True when the environment variable VS_SCREENSHOTS is set to a non-empty value other than "0":
// ./test's screenshot step sets it; ordinary test runs do not.
bool ScreenshotsWanted();

}  // namespace vstest

// A test that only makes a picture for people asserts nothing a user would check, so it must not
// count as a pass. Such tests have "Screenshot" in their name and start with this line: they skip
// in ordinary runs and run in ./test's own screenshot step, which is not counted.
#define VS_SCREENSHOT_ONLY()                                                            \
    do {                                                                                \
        if (!::vstest::ScreenshotsWanted()) GTEST_SKIP() << "made by the screenshot step"; \
    } while (0)
