#include "ui/Dialogs.h"

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <vector>

#include "platform/WinText.h"

namespace {
TSaveDialog::THook GHook;
TOpenDialog::THook GOpenHook;

// The filter of the common dialogs: a list of zero-terminated strings ending in two zeros.
std::wstring DialogFilter(const std::string& text) {
    std::wstring filter = Widen(text);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    return filter;
}
}  // namespace

TSaveDialog::THook TSaveDialog::SetHook(THook hook) {
    std::swap(hook, GHook);
    return hook;
}

bool TSaveDialog::Execute() {
    if (GHook) return GHook(*this);
    const std::wstring filter = DialogFilter(Filter);
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring name = Widen(FileName);
    if (name.size() < file.size()) std::copy(name.begin(), name.end(), file.begin());
    std::wstring ext = Widen(DefaultExt), title = Widen(Title), dir = Widen(InitialDir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                (OverwritePrompt ? OFN_OVERWRITEPROMPT : 0);
    if (!::GetSaveFileNameW(&ofn)) return false;
    FileName = Narrow(file.data());
    return true;
}

TOpenDialog::THook TOpenDialog::SetHook(THook hook) {
    std::swap(hook, GOpenHook);
    return hook;
}

bool TOpenDialog::Execute() {
    if (GOpenHook) return GOpenHook(*this);
    const std::wstring filter = DialogFilter(Filter);
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring title = Widen(Title), dir = Widen(InitialDir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn)) return false;
    FileName = Narrow(file.data());
    return true;
}
