// vs_treebench ROOT [ROUNDS]: the scan tree's figures on a real tree (bench/foldersize/compare.sh makes
// the 1,000,000-file one), all measured in one run:
//  - time to exact totals of a cold walk that keeps the tree, against one that keeps totals only (the
//    walk as it was before the tree), alternating, medians and their ratio;
//  - a mask change on the scanned tree: time and directory reads (counted);
//  - the tree's memory per file besides the names;
//  - cancel latency: from Cancel to the end of an asynchronous request, the workers busy on the disk.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// CPU seconds of the process so far (every thread, user and system).
double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TTimes {
    std::vector<double> Wall, Cpu;
};

// One cold walk: a new service (empty cache and tree).
void ColdWalk(const std::string& root, bool tree, TFolderTotals& totals, TTimes& times) {
    TFolderSizeService service(SystemDirLister(), SystemVolumes());
    if (!tree) service.SetTreeBudget(0);
    const double cpu = CpuSeconds();
    const auto start = TClock::now();
    totals = service.Totals(root, "*.*");
    times.Wall.push_back(Seconds(TClock::now() - start));
    times.Cpu.push_back(CpuSeconds() - cpu);
}

void Print(const char* name, const std::vector<double>& v) {
    std::printf("%-34s median %.3f s (", name, Median(v));
    for (double s : v) std::printf(" %.3f", s);
    std::printf(" )\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vs_treebench ROOT [ROUNDS]\n");
        return 1;
    }
    const std::string root = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const bool walks = !std::getenv("VS_BENCH_NO_WALKS");
    // Time to exact totals, the two walks alternating so that load from elsewhere falls on both. The CPU
    // time swings less than the wall time on a busy machine.
    TTimes withTree, totalsOnly;
    TFolderTotals a, b;
    for (int r = 0; r < rounds && walks; ++r) {
        ColdWalk(root, true, a, withTree);
        ColdWalk(root, false, b, totalsOnly);
    }
    if (!(a == b)) {
        std::printf("MISMATCH: tree %lld files, totals only %lld files\n", static_cast<long long>(a.Count),
                    static_cast<long long>(b.Count));
        return 1;
    }
    std::printf("files=%lld size=%lld used=%lld\n", static_cast<long long>(a.Count), static_cast<long long>(a.Size),
                static_cast<long long>(a.Used));
    if (walks) {
        Print("cold walk keeping the tree, wall", withTree.Wall);
        Print("cold walk, totals only, wall", totalsOnly.Wall);
        Print("cold walk keeping the tree, cpu", withTree.Cpu);
        Print("cold walk, totals only, cpu", totalsOnly.Cpu);
        std::printf("time to exact totals, tree / totals only: wall %.3f, cpu %.3f\n",
                    Median(withTree.Wall) / Median(totalsOnly.Wall), Median(withTree.Cpu) / Median(totalsOnly.Cpu));
    }

    // A mask change on the scanned tree, with the directory reads counted.
    vstest::TCountingLister lister(SystemDirLister());
    TFolderSizeService service(lister, SystemVolumes());
    service.Totals(root, "*.*");
    const TScanTreeStats stats = service.TreeStats();
    for (int r = 0; r < 2; ++r) {
        for (const char* mask : {"*.jpg", "*.txt", "*.~*", "f1*", "*.*"}) {
            lister.ResetReads();
            const double cpu = CpuSeconds();
            const auto start = TClock::now();
            const TFolderTotals t = service.Totals(root, mask);
            const double s = Seconds(TClock::now() - start);
            std::printf("mask change to %-6s %8.1f ms (cpu %.1f ms), %d directory reads, %lld files\n", mask, s * 1000,
                        (CpuSeconds() - cpu) * 1000, lister.ReadsTotal(), static_cast<long long>(t.Count));
        }
    }
    std::printf("tree: %lld files, %lld folders, %zu bytes, %zu name bytes, %.1f bytes per file besides names\n",
                static_cast<long long>(stats.Files), static_cast<long long>(stats.Folders), stats.Bytes,
                stats.NameBytes,
                static_cast<double>(stats.Bytes - stats.NameBytes) /
                    static_cast<double>(std::max<std::int64_t>(1, stats.Files)));

    // Cancel latency: a cold request, cancelled while its workers read the disk.
    std::vector<double> latencies;
    for (int r = 0; r < rounds; ++r) {
        TFolderSizeService cold(SystemDirLister(), SystemVolumes());
        std::atomic<std::int64_t> files{0};
        TFolderSizeCallbacks callbacks;
        callbacks.OnProgress = [&](const TFolderSizeProgress& p) { files = p.Files; };
        auto job = cold.TotalsAsync({root}, "*.*", callbacks);
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + 100 * r));
        const auto start = TClock::now();
        job->Cancel();
        job->Wait(std::chrono::milliseconds::max());
        latencies.push_back(Seconds(TClock::now() - start) * 1000);
        std::printf("cancel after %lld files read: workers stopped in %.1f ms\n", static_cast<long long>(files.load()),
                    latencies.back());
    }
    std::printf("cancel latency: median %.1f ms, worst %.1f ms\n", Median(latencies),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
