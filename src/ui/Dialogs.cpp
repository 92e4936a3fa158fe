#include "ui/Dialogs.h"

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <vector>

#include "platform/WinText.h"

namespace {
TSaveDialog::THook GHook;
TOpenDialog::THook GOpenHook;

// The filter of the common dialogs is a list of zero-terminated strings ending in two zeros.
std::wstring FilterList(const std::string& text) {
    std::wstring filter = Widen(text);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    return filter;
}

// Shows the common dialog of either kind; fileName is the proposed name in and the chosen path out.
bool RunFileDialog(bool save, const std::string& filterText, const std::string& defaultExt, std::string& fileName,
                   const std::string& titleText, const std::string& initialDir, DWORD flags) {
    std::wstring filter = FilterList(filterText);
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring name = Widen(fileName);
    if (name.size() < file.size()) std::copy(name.begin(), name.end(), file.begin());
    std::wstring ext = Widen(defaultExt), title = Widen(titleText), dir = Widen(initialDir);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = filterText.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
    if (!(save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn))) return false;
    fileName = Narrow(file.data());
    return true;
}
}  // namespace

TSaveDialog::THook TSaveDialog::SetHook(THook hook) {
    std::swap(hook, GHook);
    return hook;
}

bool TSaveDialog::Execute() {
    if (GHook) return GHook(*this);
    return RunFileDialog(true, Filter, DefaultExt, FileName, Title, InitialDir,
                         OFN_PATHMUSTEXIST | (OverwritePrompt ? OFN_OVERWRITEPROMPT : 0));
}

TOpenDialog::THook TOpenDialog::SetHook(THook hook) {
    std::swap(hook, GOpenHook);
    return hook;
}

bool TOpenDialog::Execute() {
    if (GOpenHook) return GOpenHook(*this);
    return RunFileDialog(false, Filter, DefaultExt, FileName, Title, InitialDir, OFN_FILEMUSTEXIST);
}
