#pragma once
// A tree of names that end in "." or " ", which NTFS allows and the system's clean-up of a path would
// change ("sub." would become "sub"). Made by exact names in a temporary folder, removed with it.
#include <cstdint>
#include <string>

#include "platform/FsFixture.h"
#include "support/TestSupport.h"

namespace vstest {

struct TOddFile {
    const char* Folder;  // relative, '/' between names; "" for the top
    const char* Name;
    std::int64_t Size;  // powers of two KiB: a total tells which files it holds
};
inline const TOddFile kOddFiles[] = {
    {"sub", "f", 1 << 10}, {"sub.", "g", 2 << 10}, {"sub.", "h ", 4 << 10},        {"", "x", 8 << 10},
    {"", "x.", 16 << 10},  {"", "x ", 32 << 10},   {"sub. /in.", "k..", 64 << 10},
};
inline const char* const kOddFolders[] = {"sub", "sub.", "sub. ", "sub. /in."};

class TOddNameTree {
public:
    TOddNameTree() {
        for (const char* f : kOddFolders) FMade = FMade && MakeExactDir(Dir.Path(), f);
        for (const auto& f : kOddFiles) {
            const std::string relative = *f.Folder ? std::string(f.Folder) + "/" + f.Name : f.Name;
            FMade = FMade && WriteExactFile(Dir.Path(), relative, static_cast<std::uint64_t>(f.Size));
        }
    }
    ~TOddNameTree() { RemoveExactTree(Dir.Path()); }
    TOddNameTree(const TOddNameTree&) = delete;
    TOddNameTree& operator=(const TOddNameTree&) = delete;
    bool Made() const { return FMade; }

    TTempDir Dir;

private:
    bool FMade = true;
};

}  // namespace vstest
