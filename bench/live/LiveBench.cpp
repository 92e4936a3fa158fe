// Live refresh on a large tree: how soon the current folder's totals are exact again after one file
// deep in the tree changes, counted in directory reads, against a cold walk of the whole tree; and how
// a burst of changes is folded by the notification queue into a few refreshes.
//
//   live_bench [ROOT] [FILES] [FOLDERS]   (ROOT is made when missing; default 1,000,000 files)
//
// Prints one line per measurement with wall and CPU time and the ratios.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TreeMaker.h"
#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "shell/FolderSize.h"
#include "shell/ShellNotificationQueue.h"

namespace {

// Counts the listings of the system's lister.
class TCounting : public TDirLister {
public:
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override {
        ++Reads;
        return SystemDirLister().List(folder, pattern, std::move(visit));
    }
    bool FolderExists(std::string_view folder) override { return SystemDirLister().FolderExists(folder); }
    char Separator() const override { return SystemDirLister().Separator(); }
    bool CaseSensitive() const override { return SystemDirLister().CaseSensitive(); }
    std::atomic<long> Reads{0};
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TTimer {
    std::chrono::steady_clock::time_point Wall = std::chrono::steady_clock::now();
    double Cpu = CpuSeconds();
    double WallMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Wall).count();
    }
    double CpuMs() const { return (CpuSeconds() - Cpu) * 1000; }
};

// Every folder of the tree, deepest last.
std::vector<std::string> Folders(const std::string& root) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_directory()) out.push_back(e.path().string());
    return out;
}

int Depth(const std::string& root, const std::string& folder) {
    return static_cast<int>(std::count(folder.begin() + root.size(), folder.end(), '/'));
}

TStNotification Created(const std::string& file) {
    TStNotification n;
    n.Events = shcne::kCreate;
    n.Item1 = TStNotifyItem{file, std::filesystem::path(file).filename().string(), false, nullptr};
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "vs-live-bench").string();
    const std::int64_t files = argc > 2 ? std::atoll(argv[2]) : 1000000;
    const std::int64_t folders = argc > 3 ? std::atoll(argv[3]) : 50000;
    if (!std::filesystem::exists(root)) {
        std::printf("making %s: %lld files in %lld folders\n", root.c_str(), (long long)files, (long long)folders);
        MakeTree(root, files, folders, 8);
    }
    std::printf("load average at start: ");
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");

    TCounting lister;
    TFolderSizeService service(lister, SystemVolumes());

    // Reference: the whole tree walked with an empty cache.
    TTimer cold;
    const TFolderTotals before = service.Totals(root, "*.*");
    const double coldMs = cold.WallMs(), coldCpu = cold.CpuMs();
    const long coldReads = lister.Reads.exchange(0);
    std::printf("cold walk: %.1f ms wall, %.1f ms CPU, %ld directory reads, %lld files\n", coldMs, coldCpu, coldReads,
                (long long)before.Count);

    // One change deep in the tree: a new file of 12,345 bytes in the deepest folder.
    auto all = Folders(root);
    std::string deepest = root;
    for (const auto& f : all)
        if (Depth(root, f) > Depth(root, deepest)) deepest = f;
    const std::string file = deepest + "/live-bench-new.bin";
    { std::ofstream(file, std::ios::binary) << std::string(12345, 'x'); }

    TStNotificationQueue queue;
    queue.SetLimit(2);
    queue.OnDrop = [&](const TStNotification& n) { InvalidateForNotification(service, n); };
    int refreshes = 0;
    TFolderTotals after;
    auto drain = [&] {
        do {
            while (!queue.Empty()) {
                InvalidateForNotification(service, queue.Head());
                after = service.Totals(root, "*.*");  // the folder list reads the current folder again
                ++refreshes;
                queue.PopHead();
            }
        } while (queue.RequeueDropped());
    };
    TTimer one;
    queue.Receive(Created(file));
    drain();
    const double oneMs = one.WallMs(), oneCpu = one.CpuMs();
    const long oneReads = lister.Reads.exchange(0);
    const bool exact = after.Size == before.Size + 12345 && after.Count == before.Count + 1;
    std::printf("one change at depth %d: exact=%s in %.2f ms wall, %.2f ms CPU, %ld directory reads "
                "(the chain is %d folders); ratio to the cold walk %.5f (time), %.5f (reads)\n",
                Depth(root, deepest), exact ? "yes" : "NO", oneMs, oneCpu, oneReads, Depth(root, deepest) + 1,
                oneMs / coldMs, double(oneReads) / double(coldReads));

    // A burst of 10,000 changes in 100 folders, all arriving before the queue is drained.
    std::mt19937_64 random(11);
    std::vector<std::string> touched;
    for (int i = 0; i < 100; ++i) touched.push_back(all[random() % all.size()]);
    std::set<std::string> chain;
    for (const auto& f : touched)
        for (std::filesystem::path p = f; p.string().size() >= root.size(); p = p.parent_path()) {
            chain.insert(p.string());
            if (p.string() == root) break;
        }
    std::int64_t added = 0;
    long naiveReads = 0;  // one refresh per change reads that change's chain
    std::vector<std::string> burstFiles;
    for (int i = 0; i < 10000; ++i) {
        std::string f = touched[i % touched.size()] + "/burst-" + std::to_string(i) + ".bin";
        { std::ofstream(f, std::ios::binary) << std::string(i % 100, 'y'); }
        added += i % 100;
        naiveReads += Depth(root, touched[i % touched.size()]) + 1;
        burstFiles.push_back(f);
    }
    refreshes = 0;
    TTimer burst;
    for (const auto& f : burstFiles) queue.Receive(Created(f));
    drain();
    const double burstMs = burst.WallMs(), burstCpu = burst.CpuMs();
    const long burstReads = lister.Reads.exchange(0);
    const bool burstExact = after.Size == before.Size + 12345 + added && after.Count == before.Count + 1 + 10000;
    std::printf("burst of 10000 changes in 100 folders (%zu folders in their chains): exact=%s, %d refreshes, "
                "%ld directory reads (%.2f per affected folder), %.1f ms wall, %.1f ms CPU; "
                "a refresh per change would read %ld (ratio %.4f)\n",
                chain.size(), burstExact ? "yes" : "NO", refreshes, burstReads, double(burstReads) / chain.size(),
                burstMs, burstCpu, naiveReads, double(burstReads) / double(naiveReads));

    for (const auto& f : burstFiles) std::filesystem::remove(f);
    std::filesystem::remove(file);
    return exact && burstExact ? 0 : 1;
}
