#include "scans/ScanHistory.h"

#include <algorithm>
#include <cstdio>

#include "platform/DirList.h"
#include "platform/Exception.h"
#include "platform/FileOps.h"

namespace {

constexpr std::size_t kIdLength = 16, kTimeLength = 12;

// FNV-1a, 64 bits: stable across runs and builds, unlike std::hash.
std::uint64_t Fnv(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// The time and number of a history file's name of that root, false for another name.
bool ParseName(std::string_view name, std::string_view id, std::int64_t& time, long& n) {
    constexpr std::string_view kTail = ".json.gz";
    if (name.size() < kIdLength + kTimeLength + 3 + kTail.size() || name.substr(0, kIdLength) != id ||
        name[kIdLength] != '-' || name[kIdLength + 1 + kTimeLength] != '-' ||
        name.substr(name.size() - kTail.size()) != kTail)
        return false;
    time = 0;
    for (char c : name.substr(kIdLength + 1, kTimeLength)) {
        if (c < '0' || c > '9') return false;
        time = time * 10 + (c - '0');
    }
    n = 0;
    const std::string_view number =
        name.substr(kIdLength + kTimeLength + 2, name.size() - kTail.size() - kIdLength - kTimeLength - 2);
    if (number.empty() || number.size() > 6) return false;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

}  // namespace

TScanHistory::TScanHistory(std::string folder, TDirLister& lister, std::size_t keep)
    : FFolder(std::move(folder)), FLister(lister), FKeep(std::max<std::size_t>(keep, 1)) {}

std::string TScanHistory::DefaultFolder() {
    const std::string base = UserDataFolder();
    if (base.empty()) return {};
    return base + (base.find('\\') != std::string::npos ? "\\Scans" : "/scans");
}

std::string TScanHistory::RootId(std::string_view key) {
    char text[kIdLength + 1];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(Fnv(key)));
    return text;
}

std::vector<TScanHistoryEntry> TScanHistory::List(std::string_view key) const {
    struct TFound {
        std::int64_t Time;
        long N;
        std::string Name;
    };
    std::vector<TFound> found;
    const std::string id = RootId(key);
    FLister.List(FFolder, id + "-*", [&](const TDirEntry& e) {
        std::int64_t time;
        long n;
        if (!e.IsDirectory() && ParseName(e.Name(), id, time, n)) found.push_back({time, n, std::string(e.Name())});
        return true;
    });
    std::sort(found.begin(), found.end(),
              [](const TFound& a, const TFound& b) { return a.Time != b.Time ? a.Time < b.Time : a.N < b.N; });
    std::vector<TScanHistoryEntry> out;
    const char sep = FLister.Separator();
    for (const TFound& f : found) {
        std::string path = FFolder;
        if (!path.empty() && path.back() != sep) path += sep;
        out.push_back({path + f.Name, f.Time});
    }
    return out;
}

std::string TScanHistory::Add(const TScanReader& reader, TScanRef root, std::string_view key,
                              const TScanFileInfo& info) {
    std::string reason;
    if (!MakeFolders(FFolder, reason))
        throw Exception("Cannot make the scan history folder \"" + FFolder + "\". " + reason);
    const std::vector<TScanHistoryEntry> before = List(key);
    const std::int64_t time = std::clamp<std::int64_t>(info.Timestamp, 0, 999999999999);
    // Another scan of the same second takes the next number.
    long n = 0;
    const std::string id = RootId(key);
    for (const TScanHistoryEntry& e : before) {
        std::int64_t t;
        long k;
        const std::size_t slash = e.File.find_last_of(FLister.Separator());
        if (ParseName(std::string_view(e.File).substr(slash + 1), id, t, k) && t == time) n = std::max(n, k + 1);
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s-%012lld-%ld.json.gz", id.c_str(), static_cast<long long>(time), n);
    std::string file = FFolder;
    if (!file.empty() && file.back() != FLister.Separator()) file += FLister.Separator();
    file += name;
    ExportScan(reader, root, file, info);
    // The oldest go first, down to Keep with the new one.
    std::vector<TScanHistoryEntry> all = List(key);
    for (std::size_t i = 0; i + FKeep < all.size(); ++i) RemoveFile(all[i].File);
    return file;
}

std::string TScanHistory::AddOrWarnOnce(const TScanReader& reader, TScanRef root, std::string_view key,
                                        const TScanFileInfo& info) {
    try {
        Add(reader, root, key, info);
        FWarned = false;
        return {};
    } catch (const std::exception& e) {
        if (FWarned) return {};
        FWarned = true;
        return std::string("The scan could not be kept in the history. ") + e.what();
    }
}
