// vs_mktree ROOT FILES FOLDERS DEPTH: makes a synthetic tree and prints its totals.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "TreeMaker.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: vs_mktree ROOT FILES FOLDERS DEPTH\n");
        return 1;
    }
    try {
        TTreeSummary s = MakeTree(argv[1], std::atoll(argv[2]), std::atoll(argv[3]), std::atoi(argv[4]));
        std::printf("bytes=%lld files=%lld jpg_bytes=%lld jpg_files=%lld\n", static_cast<long long>(s.Bytes),
                    static_cast<long long>(s.Files), static_cast<long long>(s.JpgBytes),
                    static_cast<long long>(s.JpgFiles));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vs_mktree: %s\n", e.what());
        return 1;
    }
}
