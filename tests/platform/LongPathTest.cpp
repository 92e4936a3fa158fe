// Long-path forms: a path built from listed names keeps every name exactly, a user's path is read the
// way Windows reads typed paths.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/LongPath_win.h"
#include "platform/WinText.h"

TEST(LongPath, BuiltPathsKeepTheirNamesUserPathsAreNormalised) {
    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::string here = Narrow(cwd) + (Narrow(cwd).back() == '\\' ? "" : "\\");
    struct {
        std::string Path, Exact, User;
    } cases[] = {
        {"C:\\a.\\b\\c. ", "\\\\?\\C:\\a.\\b\\c. ", "\\\\?\\C:\\a\\b\\c"},
        {"C:/a//./b/../c.", "\\\\?\\C:\\a\\c.", "\\\\?\\C:\\a\\c"},
        {"C:\\a.\\", "\\\\?\\C:\\a.\\", "\\\\?\\C:\\a\\"},
        {"C:\\..\\a", "\\\\?\\C:\\a", "\\\\?\\C:\\a"},
        {"\\\\server\\share\\..\\x.", "\\\\?\\UNC\\server\\share\\x.", "\\\\?\\UNC\\server\\share\\x"},
        {"\\\\?\\C:\\a.\\..", "\\\\?\\C:\\a.\\..", "\\\\?\\C:\\a.\\.."},
        {"rel.\\x", "\\\\?\\" + here + "rel.\\x", "\\\\?\\" + here + "rel\\x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Narrow(LongPath(c.Path)), c.Exact) << c.Path;
        EXPECT_EQ(Narrow(UserLongPath(c.Path)), c.User) << c.Path;
    }
}
