// shelllist_bench FOLDER [sizes]: times the folder list's fill of FOLDER against what the fill cannot
// avoid, measured in the same run: a bare directory listing of the folder (FindFirstFileExW, basic
// information, large fetch), and the shell's own enumeration of the folder plus the icon queries
// that the otDisplay setting asks for. Then sorts by every column, reverses, and reports the memory
// per item. With "sizes", folder sizes are on (the walk of every sub-folder is part of the fill).
// Prints wall and CPU milliseconds of each step; runs under Wine.
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"

namespace {

double CpuMs() {
    FILETIME c, e, k, u;
    ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](FILETIME f) {
        return ((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
    };
    return ms(k) + ms(u);
}

struct TTimer {
    LARGE_INTEGER Start{}, Freq{};
    double Cpu;
    TTimer() {
        ::QueryPerformanceFrequency(&Freq);
        ::QueryPerformanceCounter(&Start);
        Cpu = CpuMs();
    }
    double WallMs() const {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        return (now.QuadPart - Start.QuadPart) * 1000.0 / Freq.QuadPart;
    }
    double CpuUsed() const { return CpuMs() - Cpu; }
};

// The unavoidable part: enumeration alone, then the icon query of each child.
void Reference(const std::string& folder, double& enumMs, double& iconMs, double& enumCpu, double& iconCpu, int& count,
               bool icons) {
    IShellFolder* desktop = nullptr;
    ::SHGetDesktopFolder(&desktop);
    std::wstring w = Widen(folder);
    LPITEMIDLIST pidl = nullptr;
    desktop->ParseDisplayName(nullptr, nullptr, w.data(), nullptr, &pidl, nullptr);
    std::vector<LPITEMIDLIST> children;
    TTimer t;
    IShellFolder* sf = nullptr;
    desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sf));
    IEnumIDList* en = nullptr;
    sf->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &en);
    LPITEMIDLIST child = nullptr;
    ULONG fetched = 0;
    while (en && en->Next(1, &child, &fetched) == S_OK && fetched == 1) children.push_back(child);
    enumMs = t.WallMs();
    enumCpu = t.CpuUsed();
    TTimer ti;
    for (LPITEMIDLIST c : icons ? children : std::vector<LPITEMIDLIST>{}) {
        LPITEMIDLIST abs = ::ILCombine(pidl, c);
        SHFILEINFOW sfi{};
        sfi.dwAttributes = SFGAO_FOLDER | SFGAO_SHARE | SFGAO_LINK;
        ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(abs), 0, &sfi, sizeof(sfi),
                         SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES |
                             SHGFI_ATTR_SPECIFIED);
        ::CoTaskMemFree(abs);
    }
    iconMs = ti.WallMs();
    iconCpu = ti.CpuUsed();
    count = static_cast<int>(children.size());
    for (LPITEMIDLIST c : children) ::CoTaskMemFree(c);
    if (en) en->Release();
    sf->Release();
    ::CoTaskMemFree(pidl);
    desktop->Release();
}

// A bare listing of the folder: every entry's find data, nothing kept.
double BareListing(const std::string& folder, int& count) {
    TTimer t;
    std::wstring query = L"\\\\?\\" + Widen(folder) + L"\\*";
    WIN32_FIND_DATAW data;
    count = 0;
    HANDLE find = ::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find != INVALID_HANDLE_VALUE) {
        do ++count;
        while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    return t.WallMs();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: shelllist_bench FOLDER [sizes]\n");
        return 1;
    }
    std::string folder = Narrow(argv[1]);
    bool sizes = argc > 2 && std::wstring(argv[2]) == L"sizes";
    // "enumerate": the otEnumerate setting, whose fill asks for no icons (they come as rows are drawn).
    bool enumerate = argc > 2 && std::wstring(argv[2]) == L"enumerate";
    // "fillonly": the program's own setting without the reference (the reference's per-file icon
    // queries take many minutes for 100,000 files under Wine).
    bool fillOnly = argc > 2 && std::wstring(argv[2]) == L"fillonly";
    Application = new TApplication;
    Application->Initialize();
    try {
        auto form = std::make_unique<TForm>(nullptr, bsSingle);
        form->SetClientSize(900, 600);
        form->AfterConstruction();
        auto* list = new TStShellListView(form.get(), form.get());
        list->SetAlign(alClient);
        list->SetOptimization(enumerate ? otEnumerate : otDisplay);
        list->SetOptions(loAllowRename | loAllowDrag | loAllowDrop | loExtendedMenu | loShellMenu | loShowHidden);
        list->SetCalcFolderSize(sizes);
        list->SetFileFilter("*.*");
        list->SetFiltered(true);
        list->OnFilterItem = [](TObject*, TStShellItem*, bool& accept) { accept = true; };

        double enumMs = 0, iconMs = 0, enumCpu = 0, iconCpu = 0;
        int count = 0;
        if (!sizes && !fillOnly) Reference(folder, enumMs, iconMs, enumCpu, iconCpu, count, !enumerate);

        int listed = 0;
        const double bareMs = BareListing(folder, listed);
        TTimer fill;
        list->SetRootFolder(folder);
        double fillMs = fill.WallMs(), fillCpu = fill.CpuUsed();
        // The bare listing once more after the fill: on a loaded machine one listing alone varies by a
        // factor of two from run to run.
        int listedAfter = 0;
        const double bareAfterMs = BareListing(folder, listedAfter);
        int items = list->Model().AllRows().Count();
        std::printf("items %d\n", items);
        std::printf("fill wall %.0f ms cpu %.0f ms\n", fillMs, fillCpu);
        std::printf(
            "bare listing wall %.0f ms before the fill, %.0f ms after (%d entries); ratio fill / bare listing "
            "%.2f, %.2f\n",
            bareMs, bareAfterMs, listed, fillMs / bareMs, fillMs / bareAfterMs);
        if (!sizes && !fillOnly) {
            double ref = enumMs + iconMs;
            std::printf("reference: enumeration wall %.0f ms cpu %.0f ms, icons wall %.0f ms cpu %.0f ms (%d items)\n",
                        enumMs, enumCpu, iconMs, iconCpu, count);
            std::printf("split: enumeration %.0f ms, icons %.0f ms, the rest %.0f ms\n", enumMs, iconMs, fillMs - ref);
            std::printf("ratio fill / (enumeration + icons): wall %.2f cpu %.2f\n", fillMs / ref,
                        fillCpu / (enumCpu + iconCpu));
        }
        if (!sizes) {
            // Per item: the object, its column-text slots with any text too long to sit inside its slot,
            // and its two identifier lists; the name texts (path, display name, type) are left out.
            size_t bytes = 0;
            for (const auto& item : list->Model().AllRows().Storage()) {
                bytes += sizeof(TStShellItem) + item->ColumnTexts.capacity() * sizeof(std::string);
                for (const std::string& t : item->ColumnTexts)
                    if (t.capacity() > 15) bytes += t.capacity() + 1;
                bytes += (item->AbsoluteIdList ? ::ILGetSize(item->AbsoluteIdList.get()) : 0) +
                         ::ILGetSize(item->RelativeIdList.get());
            }
            std::printf("memory: %zu bytes per item without its name texts (object %zu)\n", items ? bytes / items : 0,
                        sizeof(TStShellItem));
            const char* names[] = {"Name", "Size", "Used", "Slack", "Files", "Type", "Modified", "Attributes"};
            for (int c : {1, 2, 3, 4, 5, 6, 7, 0}) {
                TTimer s;
                list->ClickColumn(c);
                std::printf("sort by %s: %.0f ms\n", names[c], s.WallMs());
            }
            TTimer r;
            list->ClickColumn(0);
            std::printf("reverse: %.2f ms\n", r.WallMs());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "shelllist_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
