// Private-profile files read and written directly, with the rules of the Windows profile
// functions: case-blind section and key names, blanks trimmed, quotes around a value dropped,
// first key of a name wins, a missing file reads as empty. Writes replace the file as a whole
// through a temporary file, so a failed write leaves the old file as it was.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/Locale.h"
#include "platform/Profile.h"

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return lines;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return lines;  // a folder in the file's place: nothing to read
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string tmp = path + ".~tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& line : lines) out << line << "\r\n";
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// A section header's name, or false when the line is not a header.
bool SectionName(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    std::size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// Splits a key line. Blank lines and comments (";") are no keys.
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') return false;
    std::size_t eq = t.find('=');
    key = Trim(t.substr(0, eq));
    value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return true;
}

// The body of the first section named `section`: lines [first, last). False when missing.
bool FindSection(const std::vector<std::string>& lines, const std::string& section, std::size_t& first,
                 std::size_t& last) {
    std::string name;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!SectionName(lines[i], name) || !SameText(name, section)) continue;
        first = i + 1;
        last = first;
        while (last < lines.size() && !SectionName(lines[last], name)) ++last;
        return true;
    }
    return false;
}

// Where new keys of a section go: after its last non-blank line.
std::size_t EndOfBody(const std::vector<std::string>& lines, std::size_t first, std::size_t last) {
    while (last > first && Trim(lines[last - 1]).empty()) --last;
    return last;
}

}  // namespace

std::vector<std::string> ProfileKeyNames(const std::string& path, const std::string& section, std::size_t maxChars) {
    std::vector<std::string> names;
    std::vector<std::string> lines = ReadLines(path);
    std::size_t first, last, used = 0;
    if (!FindSection(lines, section, first, last)) return names;
    std::string key, value;
    for (std::size_t i = first; i < last; ++i) {
        if (!KeyLine(lines[i], key, value)) continue;
        // Each name takes its length and a terminating zero; the list ends with one more zero.
        if (used + key.size() + 1 + 1 > maxChars) break;
        used += key.size() + 1;
        names.push_back(key);
    }
    return names;
}

std::string ProfileReadString(const std::string& path, const std::string& section, const std::string& key,
                              std::size_t maxChars) {
    std::vector<std::string> lines = ReadLines(path);
    std::size_t first, last;
    if (!FindSection(lines, section, first, last)) return {};
    std::string k, value;
    for (std::size_t i = first; i < last; ++i) {
        if (KeyLine(lines[i], k, value) && SameText(k, key)) return value.substr(0, maxChars);
    }
    return {};
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::vector<std::string> lines = ReadLines(path);
    std::string line = key + "=" + value;
    std::size_t first, last;
    if (!FindSection(lines, section, first, last)) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
        return WriteLines(path, lines);
    }
    std::string k, v;
    for (std::size_t i = first; i < last; ++i) {
        if (KeyLine(lines[i], k, v) && SameText(k, key)) {
            lines[i] = line;
            return WriteLines(path, lines);
        }
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(EndOfBody(lines, first, last)), line);
    return WriteLines(path, lines);
}

bool ProfileWriteSection(const std::string& path, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> lines = ReadLines(path);
    std::vector<std::string> body;
    for (const auto& [key, value] : entries) body.push_back(key + "=" + value);
    std::size_t first, last;
    if (!FindSection(lines, section, first, last)) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.insert(lines.end(), body.begin(), body.end());
        return WriteLines(path, lines);
    }
    // Keep the blank lines that separate this section from the next one.
    std::size_t end = EndOfBody(lines, first, last);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.begin() + static_cast<std::ptrdiff_t>(end));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first), body.begin(), body.end());
    return WriteLines(path, lines);
}
