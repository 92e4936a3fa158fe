#pragma once
// Synthetic folder trees for the folder-size benchmarks (POSIX): `folders` folders up to `maxDepth` deep
// below root, `files` files spread over them, sizes 0 to 100 KB as sparse files, one name in ten ending
// in ".jpg". The same seed makes the same tree.
#include <cstdint>
#include <string>

struct TTreeSummary {
    std::int64_t Bytes = 0;
    std::int64_t Files = 0;
    std::int64_t JpgBytes = 0;
    std::int64_t JpgFiles = 0;
};

// Makes the tree (root must not exist yet). Throws std::runtime_error on failure.
TTreeSummary MakeTree(const std::string& root, std::int64_t files, std::int64_t folders, int maxDepth,
                      std::uint64_t seed = 1);
