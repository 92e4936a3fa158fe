// vscan: totals of a folder tree through the folder-size service, for scripts and benchmarks.
//   vscan [--mask MASK] [--repeat N] [--threads N] [--keep] [--stats] PATH
//   vscan --csv FILE PATH | --html FILE PATH
// prints one line: size=<bytes> used=<bytes> count=<files> folders=<cache entries> seconds=<last walk>.
// Each repeat starts from an empty cache unless --keep is given (then the repeats after the first are
// answered from the cache). --stats adds the memory of the cache and of the scan tree to standard error:
// files, folders, bytes, name bytes and bytes per file besides the names. When some folder could not
// be read in full (denied, failed, or too deep to open) the line is still printed, a warning goes to
// standard error and the exit status is 2.
// --csv and --html write the all-sub-folders report of PATH (the files --mask admits, the folder list's
// columns) as the program's /csv and /html switches do, without the volume table and the type
// descriptions. FILE must be a file: "-", a folder, a pipe or a device is refused. When some folder could
// not be read in full the report is still written, each such folder is named on standard error and the
// exit status is 2.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/UserPath.h"
#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "reports/FolderReport.h"
#include "shell/FolderSize.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vscan [--mask MASK] [--repeat N] [--threads N] [--keep] [--stats] PATH\n"
                 "       vscan --csv FILE PATH | --html FILE PATH\n");
    return 1;
}

bool ParseCount(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == 0 && value >= 0 && value <= 1000000;
}

int Run(const std::vector<std::string>& args) {
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
            std::fprintf(stderr, "rows: %zu, %zu bytes held, %zu bytes of text, %.1f bytes a row beyond the texts\n",
                         st.Rows, st.MemoryBytes, st.TextBytes,
                         st.Rows ? static_cast<double>(st.MemoryBytes - st.TextBytes) / static_cast<double>(st.Rows)
                                 : 0.0);
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
