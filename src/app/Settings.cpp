#include "app/Settings.h"

#include <utility>

#include "platform/Exception.h"
#include "platform/Locale.h"
#include "platform/Profile.h"

namespace {

const char* const kSection = "filters";
const char* const kHistorySection = "history";
const char* const kKeepKey = "keep";
// Room for key names (each with its terminating zero) and for one value.
constexpr std::size_t kKeyNameChars = 16384;
constexpr std::size_t kValueChars = 2047;

// A line break in a value would end its line in the file and turn the rest into a key of
// its own; the filter box holds one line, so a break can only come from pasted text.
std::string OneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace

const std::vector<std::string>& DefaultFilters() {
    static const std::vector<std::string> filters = {"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3"};
    return filters;
}

std::string ProgramFilePath(std::string_view exePath, std::string_view name) {
    std::size_t sep = exePath.find_last_of("\\/");
    std::string path(sep == std::string_view::npos ? std::string_view() : exePath.substr(0, sep + 1));
    path += name;
    return path;
}

std::string SettingsFilePath(std::string_view exePath) {
    return ProgramFilePath(exePath, "voluscope.ini");
}

std::vector<std::string> LoadFilterSettings(const std::string& iniPath) {
    std::vector<std::string> keys = ProfileKeyNames(iniPath, kSection, kKeyNameChars);
    std::vector<std::string> seen;
    std::vector<std::string> filters;
    for (const std::string& key : keys) {
        bool again = false;
        for (const std::string& s : seen) again = again || SameText(s, key);
        if (again) continue;
        seen.push_back(key);
        // The value of a repeated key is that of its first occurrence, which is what the
        // profile functions return for the name.
        std::string value = ProfileReadString(iniPath, kSection, key, kValueChars);
        if (!value.empty()) filters.push_back(std::move(value));
    }
    return filters;
}

// The section is written afresh as a whole, not key by key over what is there: keys with other names
// (entries a user added by hand) are read at start-up and written back as numbered keys, so leaving them
// in place would add them once more at every start. Replacing the section keeps the list as the filter
// box shows it.
void SaveFilterSettings(const std::string& iniPath, const std::vector<std::string>& items) {
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) entries.emplace_back(std::to_string(i), OneLine(items[i]));
    if (!ProfileWriteSection(iniPath, kSection, entries)) throw Exception("Unable to write to " + iniPath);
}

std::size_t LoadTreeBudget(const std::string& iniPath) {
    constexpr std::size_t kDefaultMB = 2048;
    constexpr std::size_t kMaxMB = std::size_t{1} << 20;  // 1 TiB: beyond any machine's memory
    const std::string value = ProfileReadString(iniPath, "ScanTree", "MemoryBudgetMB", 32);
    if (value.empty() || value.size() > 7) return kDefaultMB << 20;
    std::size_t mb = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return kDefaultMB << 20;
        mb = mb * 10 + static_cast<std::size_t>(c - '0');
    }
    return mb > kMaxMB ? kDefaultMB << 20 : mb << 20;
}

bool LoadKeepHistory(const std::string& iniPath) {
    return ProfileReadString(iniPath, kHistorySection, kKeepKey) == "1";
}

void SaveKeepHistory(const std::string& iniPath, bool keep) {
    if (!ProfileWriteString(iniPath, kHistorySection, kKeepKey, keep ? "1" : "0"))
        throw Exception("Unable to write to " + iniPath);
}
