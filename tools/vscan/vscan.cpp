// vscan: totals of a folder tree through the folder-size service, for scripts and benchmarks.
//   vscan [--mask MASK] [--repeat N] [--threads N] [--keep] [--stats] PATH
//   vscan --csv FILE PATH | --html FILE PATH
// prints one line: size=<bytes> used=<bytes> count=<files> folders=<cache entries> seconds=<last walk>.
// Each repeat starts from an empty cache unless --keep is given (then the repeats after the first are
// answered from the cache). --stats adds the memory of the cache and of the scan tree to standard error:
// files, folders, bytes, name bytes and bytes per file besides the names. When some folder could not
// be read in full (denied, failed, or too deep to open) the line is still printed, a warning goes to
// standard error and the exit status is 2.
// --json FILE PATH walks PATH and writes the scan as ncdu JSON (gzip when FILE ends in ".gz"); exit
// status 2 when some folder could not be read in full (the file is written, those folders marked).
// --import FILE reads a saved scan and prints its totals as the walk's line (figures of the saved scan).
// --history PATH walks PATH and keeps its scan in the user's scan history ($XDG_DATA_HOME/voluscope/scans or
// ~/.local/share/voluscope/scans; at most 20 per folder), then prints the files kept for PATH, oldest first.
// --diff OLD NEW compares two scans, each a saved scan file or a folder (walked now), and prints the
// totals and the largest additions and removals (--top N of each, 20 by default).
// --csv and --html write the all-sub-folders report of PATH (the files --mask admits, the folder list's
// columns) as the program's /csv and /html switches do, without the volume table and the type
// descriptions. FILE must be a file: "-", a folder, a pipe or a device is refused. When some folder could
// not be read in full the report is still written, each such folder is named on standard error and the
// exit status is 2.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/UserPath.h"
#include "platform/DirList.h"
#include "platform/Exception.h"
#include "platform/Volumes.h"
#include "reports/FolderReport.h"
#include "scans/ScanDiff.h"
#include "scans/ScanFile.h"
#include "scans/ScanHistory.h"
#include "shell/FolderSize.h"
#include "shell/SizeText.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vscan [--mask MASK] [--repeat N] [--threads N] [--keep] [--stats] PATH\n"
                 "       vscan --csv FILE PATH | --html FILE PATH\n"
                 "       vscan --json FILE PATH | --import FILE | --history PATH | --diff OLD NEW [--top N]\n");
    return 1;
}

bool ParseCount(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == 0 && value >= 0 && value <= 1000000;
}

std::int64_t NowUnixSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A scan to compare or to print: a saved file, or a folder walked now.
struct TLoaded {
    std::unique_ptr<TFolderSizeService> Service;  // when walked
    TImportedScan Saved;                          // when read from a file
    TScanTree* Tree = nullptr;
    TScanRef Root;
    bool Partial = false;
    double Seconds = 0;
};

void Walk(TLoaded& out, const std::string& path) {
    TDirLister& lister = SystemDirLister();
    std::string folder;
    if (!UserFolderPath(path, lister, folder)) throw Exception(InvalidFolderText(path));
    out.Service = std::make_unique<TFolderSizeService>(lister, SystemVolumes());
    const auto start = std::chrono::steady_clock::now();
    out.Partial = out.Service->Totals(folder, "*.*").Partial;
    out.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.Tree = &out.Service->ScanTree();
    out.Root = out.Tree->Find(out.Service->CacheKey(folder));
    if (!out.Root) throw Exception("the scan tree could not hold \"" + folder + "\" (memory budget)");
}

void Load(TLoaded& out, const std::string& path) {
    if (SystemDirLister().FolderExists(path)) return Walk(out, path);
    const auto start = std::chrono::steady_clock::now();
    out.Saved = ImportScan(path);
    out.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.Tree = out.Saved.Tree.get();
    out.Root = out.Saved.Root;
}

std::string Signed(std::int64_t v) {
    return (v < 0 ? "-" : "+") + std::to_string(v < 0 ? -v : v);
}

int RunJson(const std::string& file, const std::string& path) {
    TLoaded scan;
    Walk(scan, path);
    TScanFileInfo info;
    info.ProgVer = VS_VERSION;
    info.Timestamp = NowUnixSeconds();
    const auto start = std::chrono::steady_clock::now();
    TScanExportResult r;
    {
        const TScanReader reader(*scan.Tree);
        r = ExportScan(reader, scan.Root, file, info);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files=%lld folders=%lld json_bytes=%lld file_bytes=%lld walk_seconds=%.6f write_seconds=%.6f\n",
                static_cast<long long>(r.Files), static_cast<long long>(r.Folders), static_cast<long long>(r.TextBytes),
                static_cast<long long>(r.FileBytes), scan.Seconds, seconds);
    if (r.ReplacedNames)
        std::fprintf(stderr, "vscan: %lld names were not valid UTF-8: written with U+FFFD in their place\n",
                     static_cast<long long>(r.ReplacedNames));
    if (scan.Partial || r.ReadErrors) {
        std::fprintf(stderr, "vscan: %lld folders could not be read in full (marked read_error)\n",
                     static_cast<long long>(r.ReadErrors));
        return 2;
    }
    return 0;
}

int RunHistory(const std::string& path) {
    TLoaded scan;
    Walk(scan, path);
    const std::string folder = TScanHistory::DefaultFolder();
    if (folder.empty()) throw Exception("no folder for the scan history: HOME is not set");
    TScanHistory history(folder, SystemDirLister());
    TScanFileInfo info;
    info.ProgVer = VS_VERSION;
    info.Timestamp = NowUnixSeconds();
    std::string key;
    {
        const TScanReader reader(*scan.Tree);
        key = scan.Service->CacheKey(std::string(reader.Name(scan.Root.Index)));
        history.Add(reader, scan.Root, key, info);
    }
    for (const TScanHistoryEntry& e : history.List(key))
        std::printf("%lld %s\n", static_cast<long long>(e.Timestamp), e.File.c_str());
    return scan.Partial ? 2 : 0;
}

int RunImport(const std::string& file) {
    TLoaded scan;
    Load(scan, file);
    const TScanReader reader(*scan.Tree);
    const TScanTotals t = reader.Folder(scan.Root)->Total;
    std::printf("size=%lld used=%lld count=%lld folders=%lld seconds=%.9f\n", static_cast<long long>(t.Size),
                static_cast<long long>(t.Allocated), static_cast<long long>(t.Files),
                static_cast<long long>(scan.Saved.Folders), scan.Seconds);
    return 0;
}

int RunDiff(const std::string& oldPath, const std::string& newPath, long top) {
    TLoaded before, after;
    Load(before, oldPath);
    Load(after, newPath);
    const auto start = std::chrono::steady_clock::now();
    const TScanReader oldReader(*before.Tree);
    std::unique_ptr<TScanReader> second;
    if (after.Tree != before.Tree) second = std::make_unique<TScanReader>(*after.Tree);
    const TScanDiff diff = DiffScans(oldReader, before.Root, second ? *second : oldReader, after.Root);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("old: %s bytes in %lld files\nnew: %s bytes in %lld files\nchange: %s bytes, %s files\n",
                std::to_string(diff.Old.Size).c_str(), static_cast<long long>(diff.Old.Files),
                std::to_string(diff.New.Size).c_str(), static_cast<long long>(diff.New.Files),
                Signed(diff.New.Size - diff.Old.Size).c_str(), Signed(diff.New.Files - diff.Old.Files).c_str());
    static const char* const kKinds[] = {"added", "removed", "grown", "shrunk"};
    for (const bool growth : {true, false}) {
        const auto list = diff.Largest(static_cast<std::size_t>(top), growth);
        std::printf("%s:\n", growth ? "largest additions" : "largest removals");
        if (list.empty()) std::printf("  (none)\n");
        for (const TScanChange* c : list)
            std::printf("  %15s  %-7s  %s%s\n", Signed(c->Change()).c_str(), kKinds[static_cast<int>(c->Kind)],
                        c->Path.c_str(), c->Folder ? std::string(1, diff.Separator).c_str() : "");
    }
    std::fprintf(stderr, "changes=%zu diff_seconds=%.6f\n", diff.Changes.size(), seconds);
    return before.Partial || after.Partial ? 2 : 0;
}

int Run(const std::vector<std::string>& args) {
    if (!args.empty() && (args[0] == "--json" || args[0] == "--diff")) {
        if (args.size() != 3 && !(args[0] == "--diff" && args.size() == 5 && args[3] == "--top")) return Usage();
        if (args[0] == "--json") return RunJson(args[1], args[2]);
        long top = 20;
        if (args.size() == 5 && (!ParseCount(args[4], top) || top < 1)) return Usage();
        return RunDiff(args[1], args[2], top);
    }
    if (!args.empty() && args[0] == "--import") return args.size() == 2 ? RunImport(args[1]) : Usage();
    if (!args.empty() && args[0] == "--history") return args.size() == 2 ? RunHistory(args[1]) : Usage();
    std::string mask = "*.*", path;
    long repeat = 1, threads = 0;
    bool keep = false, stats = false, html = false;
    std::string report;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--mask" || a == "--repeat" || a == "--threads") && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (a == "--mask")
                mask = value;
            else if (!ParseCount(value, a == "--repeat" ? repeat : threads))
                return Usage();
        } else if ((a == "--csv" || a == "--html") && i + 1 < args.size() && report.empty()) {
            html = a == "--html";
            report = args[++i];
            if (report.empty()) return Usage();
        } else if (a == "--keep") {
            keep = true;
        } else if (a == "--stats") {
            stats = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return Usage();
        } else if (path.empty()) {
            path = a;
        } else {
            return Usage();
        }
    }
    if (path.empty() || repeat < 1 || threads > 256) return Usage();

    TDirLister& lister = SystemDirLister();
    std::string folder;
    if (!UserFolderPath(path, lister, folder)) {
        std::fprintf(stderr, "vscan: %s\n", InvalidFolderText(path).c_str());
        return 1;
    }
    if (!report.empty()) {
        TFolderReportRequest request;
        request.File = report;
        request.Folder = folder;
        request.Mask = mask;
        request.AsHtml = html;
        request.Version = VS_VERSION;
        const TFolderReportResult st = WriteFolderReport(request);
        if (stats)
            std::fprintf(
                stderr, "rows: %zu, %zu bytes held, %zu bytes of text, %.1f bytes a row beyond the texts\n", st.Rows,
                st.MemoryBytes, st.TextBytes,
                st.Rows ? static_cast<double>(st.MemoryBytes - st.TextBytes) / static_cast<double>(st.Rows) : 0.0);
        for (const std::string& line : ReportProblemLines(st.Walk)) std::fprintf(stderr, "vscan: %s\n", line.c_str());
        return st.Walk.Complete() ? 0 : 2;
    }
    TFolderSizeService service(lister, SystemVolumes());
    service.SetThreads(static_cast<int>(threads));
    TFolderTotals totals;
    double seconds = 0;
    for (long r = 0; r < repeat; ++r) {
        if (!keep) service.FolderSizeCache().Clear();
        auto start = std::chrono::steady_clock::now();
        totals = service.Totals(folder, mask);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const std::size_t folders = service.FolderSizeCache().Count();
    std::printf("size=%lld used=%lld count=%lld folders=%zu seconds=%.9f\n", static_cast<long long>(totals.Size),
                static_cast<long long>(totals.Used), static_cast<long long>(totals.Count), folders, seconds);
    if (stats) {
        const std::size_t bytes = service.FolderSizeCache().MemoryBytes();
        std::fprintf(stderr, "cache: %zu entries, %zu bytes, %.1f bytes per folder\n", folders, bytes,
                     folders ? static_cast<double>(bytes) / static_cast<double>(folders) : 0.0);
        const TScanTreeStats tree = service.TreeStats();
        std::fprintf(
            stderr, "tree: files=%lld folders=%lld bytes=%zu name_bytes=%zu bytes_per_file_besides_names=%.1f%s\n",
            static_cast<long long>(tree.Files), static_cast<long long>(tree.Folders), tree.Bytes, tree.NameBytes,
            tree.Files ? static_cast<double>(tree.Bytes - tree.NameBytes) / static_cast<double>(tree.Files) : 0.0,
            service.TreeMode().BudgetReached ? " (memory budget reached: totals only)" : "");
    }
    if (totals.Partial) {
        std::fprintf(stderr, "vscan: partial total: some folders could not be read in full\n");
        return 2;
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
#include "platform/WinText.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    try {
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vscan: %s\n", e.what());
        return 1;
    }
}
