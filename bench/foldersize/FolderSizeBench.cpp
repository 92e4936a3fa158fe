// Google Benchmark cases of the folder-size service: cache lookups at 10^3 to 10^6 entries, and the
// totals of a real tree walked cold, answered from the cache, and refreshed after invalidations.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TreeMaker.h"
#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "shell/FolderSize.h"

namespace {

std::string KeyOf(std::int64_t i) {
    // Path-like keys of a realistic length (about 60 bytes), spread over nested folders.
    return "/home/user/projects/tree/d" + std::to_string(i % 97) + "/d" + std::to_string(i / 97 % 101) + "/folder" +
           std::to_string(i) + "/";
}

void BM_CacheLookup(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    TFolderSizeCache cache;
    for (std::int64_t i = 0; i < n; ++i) cache.Store(KeyOf(i), "*.*", TFolderTotals{i, i, 1});
    std::vector<std::string> probes;
    std::mt19937_64 random(7);
    for (int i = 0; i < 4096; ++i) probes.push_back(KeyOf(static_cast<std::int64_t>(random() % n)));
    std::size_t next = 0;
    TFolderTotals totals;
    for (auto _ : state) {
        bool hit = cache.Lookup(probes[next++ & 4095], "*.*", totals);
        benchmark::DoNotOptimize(hit);
    }
    state.counters["bytes_per_entry"] = static_cast<double>(cache.MemoryBytes()) / static_cast<double>(n);
}
BENCHMARK(BM_CacheLookup)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);

// One tree for the walk cases, removed at exit.
struct TBenchTree {
    std::string Root;
    TBenchTree() {
        Root =
            (std::filesystem::temp_directory_path() / ("vs-foldersize-bench-" + std::to_string(::getpid()))).string();
        MakeTree(Root, 20000, 2000, 8);
    }
    ~TBenchTree() {
        std::error_code ec;
        std::filesystem::remove_all(Root, ec);
    }
};
TBenchTree& Tree() {
    static TBenchTree tree;
    return tree;
}

std::unique_ptr<TFolderSizeService> Service() {
    return std::make_unique<TFolderSizeService>(SystemDirLister(), SystemVolumes());
}

void BM_TreeColdWalk(benchmark::State& state) {
    auto service = Service();
    std::int64_t used, count;
    for (auto _ : state) {
        service->FolderSizeCache().Clear();
        benchmark::DoNotOptimize(service->FolderSize(Tree().Root, "*.*", used, count));
    }
    state.counters["files"] = static_cast<double>(count);
}
BENCHMARK(BM_TreeColdWalk)->Unit(benchmark::kMillisecond);

void BM_TreeFullyCached(benchmark::State& state) {
    auto service = Service();
    std::int64_t used, count;
    service->FolderSize(Tree().Root, "*.*", used, count);
    for (auto _ : state) benchmark::DoNotOptimize(service->FolderSize(Tree().Root, "*.*", used, count));
}
BENCHMARK(BM_TreeFullyCached)->Unit(benchmark::kMicrosecond);

void BM_TreeRootStale(benchmark::State& state) {
    // Only the root is re-read; its 2000-folder tree below comes from the cache.
    auto service = Service();
    std::int64_t used, count;
    service->FolderSize(Tree().Root, "*.*", used, count);
    for (auto _ : state) {
        service->FolderSizeCache().MarkStale(service->CacheKey(Tree().Root));
        benchmark::DoNotOptimize(service->FolderSize(Tree().Root, "*.*", used, count));
    }
}
BENCHMARK(BM_TreeRootStale)->Unit(benchmark::kMicrosecond);

}  // namespace
