#include "platform/LongPath_win.h"

#include <windows.h>

#include <vector>

#include "platform/WinText.h"

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool IsPrefixed(const std::wstring& path) {
    return StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\");
}

std::wstring WithPrefix(const std::wstring& full) {
    if (IsPrefixed(full)) return full;
    if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring Widened(std::string_view path) {
    std::wstring wide = Widen(path);
    for (auto& c : wide)
        if (c == L'/') c = L'\\';
    return wide;
}

}  // namespace

std::wstring FullPathName(const std::wstring& path) {
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return {};
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n + 1);
    }
}

std::wstring ExactFullPath(const std::wstring& path) {
    std::wstring p = path;
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    if (IsPrefixed(p)) return p;

    // The root the names hang from. Only the part a path does not name itself (the working folder of a
    // relative path, of "C:name" or of "\name") comes from the system, which cleans it up: that part
    // names a folder that exists, so the clean-up leaves it as it is.
    std::wstring root;
    std::size_t at = 0;
    const bool drive =
        p.size() >= 2 && p[1] == L':' && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
    if (StartsWith(p, L"\\\\")) {
        // \\server\share: both names belong to the root, so ".." never climbs above the share.
        std::size_t server = p.find(L'\\', 2);
        std::size_t share = server == std::wstring::npos ? server : p.find(L'\\', server + 1);
        at = share == std::wstring::npos ? p.size() : share + 1;
        root = p.substr(0, at);
        if (root.back() != L'\\') root += L'\\';
    } else if (drive && p.size() >= 3 && p[2] == L'\\') {
        root = p.substr(0, 3);
        at = 3;
    } else {
        // "C:name" hangs from that drive's working folder, "\\name" from the working drive's root, "name"
        // from the working folder.
        const bool rooted = !drive && !p.empty() && p[0] == L'\\';
        std::wstring base = FullPathName(drive ? p.substr(0, 2) : rooted ? L"\\" : L".");
        const bool absolute = StartsWith(base, L"\\\\") || (base.size() >= 3 && base[1] == L':' && base[2] == L'\\');
        if (!absolute) return {};
        if (base.back() != L'\\') base += L'\\';
        return ExactFullPath(base + p.substr(drive ? 2 : rooted ? 1 : 0));
    }

    std::vector<std::wstring_view> names;
    const std::wstring_view rest(p.data() + at, p.size() - at);
    for (std::size_t from = 0; from <= rest.size();) {
        std::size_t end = rest.find(L'\\', from);
        if (end == std::wstring_view::npos) end = rest.size();
        const std::wstring_view name = rest.substr(from, end - from);
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(name);
        }
        from = end + 1;
    }
    std::wstring out = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += L'\\';
        out += names[i];
    }
    if (!names.empty() && p.back() == L'\\') out += L'\\';
    return out;
}

std::wstring LongPath(std::string_view path) {
    const std::wstring wide = Widened(path);
    if (IsPrefixed(wide)) return wide;
    std::wstring full = ExactFullPath(wide);
    if (full.empty()) full = wide;
    return WithPrefix(full);
}

std::wstring UserLongPath(std::string_view path) {
    const std::wstring wide = Widened(path);
    if (IsPrefixed(wide)) return wide;
    std::wstring full = FullPathName(wide);
    if (full.empty()) full = wide;
    return WithPrefix(full);
}
