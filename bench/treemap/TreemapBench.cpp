// vs_treemapbench [FILES] [WIDTH HEIGHT]: the treemap's figures on a synthetic scan tree (1,000,000 files
// by default, 1000 x 700 pixels): layout and paint times (medians of several rounds), the hit test's
// time, and the layout's bytes per tile. Portable, so the Windows build runs the same code under Wine.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "charts/Treemap.h"
#include "shell/ScanTree.h"

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TRandom {
    std::uint64_t State;
    std::uint64_t Next() {
        State = State * 6364136223846793005ull + 1442695040888963407ull;
        return State >> 33;
    }
};

// Ten folders of ten of ten, each holding an equal share of the files: sizes spread over six orders of
// magnitude (most files small, a few large), a dozen extensions.
TScanRef MakeTree(TScanTree& tree, std::int64_t files) {
    static const char* const kExtensions[] = {".jpg", ".txt", ".dll", ".exe", ".mp4", ".zip",
                                              ".pdf", ".doc", ".png", ".log", ".iso", ""};
    TScanTreeBuilder builder(tree, "c:\\bench", "c:\\bench\\");
    TRandom random{1};
    const std::int64_t perFolder = files / 1000;
    std::int64_t made = 0;
    auto addFiles = [&](std::int64_t n) {
        for (std::int64_t i = 0; i < n; ++i, ++made) {
            const double magnitude = static_cast<double>(random.Next() % 1000000) / 1000000.0;
            const std::int64_t size = static_cast<std::int64_t>(std::pow(10.0, 1 + 7 * magnitude * magnitude));
            const std::string name = "f" + std::to_string(made) + kExtensions[random.Next() % 12];
            builder.AddFile(name, size, (size + 4095) / 4096 * 4096);
        }
    };
    for (int a = 0; a < 10; ++a) {
        builder.OpenFolder("a" + std::to_string(a));
        for (int b = 0; b < 10; ++b) {
            builder.OpenFolder("b" + std::to_string(b));
            for (int c = 0; c < 10; ++c) {
                builder.OpenFolder("c" + std::to_string(c));
                addFiles(perFolder);
                builder.CloseFolder();
            }
            builder.CloseFolder();
        }
        builder.CloseFolder();
    }
    addFiles(files - made);
    return builder.Finish();
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t files = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int width = argc > 3 ? std::atoi(argv[2]) : 1000, height = argc > 3 ? std::atoi(argv[3]) : 700;
    TScanTree tree('\\', false);
    TClock::time_point t0 = TClock::now();
    const TScanRef root = MakeTree(tree, files);
    if (!root) {
        std::fprintf(stderr, "the tree refused the scan\n");
        return 1;
    }
    std::printf("tree: %lld files in %.0f ms\n", static_cast<long long>(files), Ms(TClock::now() - t0));

    TTreemapOptions options;
    options.Width = width;
    options.Height = height;
    options.ColorOf = [](std::string_view e) { return static_cast<TColor>(std::hash<std::string_view>()(e)); };
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    TTreemap map;
    std::vector<double> layouts, paints, paintsOne, totals;
    for (int round = 0; round < 7; ++round) {
        t0 = TClock::now();
        {
            TScanReader reader(tree);
            if (map.Build(reader, root, options) != TTreemapState::Ready) return 1;
        }
        const TClock::time_point t1 = TClock::now();
        PaintTreemap(map, pixels.data(), width, 0);
        const TClock::time_point t2 = TClock::now();
        PaintTreemap(map, pixels.data(), width, 1);
        const TClock::time_point t3 = TClock::now();
        layouts.push_back(Ms(t1 - t0));
        paints.push_back(Ms(t2 - t1));
        paintsOne.push_back(Ms(t3 - t2));
        totals.push_back(Ms(t2 - t0));
    }
    std::printf("layout: %.1f ms, paint: %.1f ms (one thread %.1f ms), layout and paint: %.1f ms (medians of 7)\n",
                Median(layouts), Median(paints), Median(paintsOne), Median(totals));

    TRandom random{7};
    volatile int sink = 0;
    constexpr int kHits = 10000;
    t0 = TClock::now();
    for (int i = 0; i < kHits; ++i)
        sink = sink + map.HitTest(static_cast<int>(random.Next() % width), static_cast<int>(random.Next() % height));
    std::printf("hit test: %.4f ms each (mean of %d)\n", Ms(TClock::now() - t0) / kHits, kHits);

    const std::size_t tiles = map.Tiles().size();
    const std::size_t bytes = map.Tiles().capacity() * sizeof(TTreemapTile);
    std::printf("tiles: %zu of %lld files, %zu bytes, %.1f bytes per tile\n", tiles, static_cast<long long>(files),
                bytes, tiles ? static_cast<double>(bytes) / static_cast<double>(tiles) : 0.0);
    return 0;
}
