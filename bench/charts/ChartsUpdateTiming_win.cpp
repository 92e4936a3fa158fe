// Times UpdateChart in the real main window under Wine or Windows, drawing included: a folder of
// many sub-folders charted by folder, and a folder of many files charted by type. The folders are
// made in the temporary folder, listed once by the folder list, then rebuilt several times; the
// median and best of seven rebuilds are printed.
//     chart_update_timing.exe [sub-folders [files]]     (defaults 10000 and 100000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainFormUnit.h"
#include "chart/ChartPanel_win.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessCpuMilliseconds() {
    FILETIME c, e, k, u;
    ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e4; };
    return ms(k) + ms(u);
}

std::filesystem::path MakeFolder(const std::filesystem::path& root, const char* name, int folders, int files) {
    std::filesystem::path dir = root / name;
    if (std::filesystem::exists(dir / "done")) return dir;
    std::filesystem::create_directories(dir);
    for (int i = 0; i < folders; ++i) std::filesystem::create_directory(dir / ("Folder " + std::to_string(i)));
    const char* types[] = {".txt", ".dat", ".bmp", ".log", ".csv", ".ini", ".xml", ".htm"};
    for (int i = 0; i < files; ++i) std::ofstream(dir / ("file" + std::to_string(i) + types[i % 8])) << i;
    std::ofstream(dir / "done") << "";
    return dir;
}

void Time(TMainForm* form, const std::filesystem::path& dir, const char* what) {
    form->OpenFolder(dir.string());
    Application->ProcessMessages();
    std::vector<double> wall, cpu;
    for (int run = 0; run < 7; ++run) {
        LARGE_INTEGER start, end;
        double cpu0 = ProcessCpuMilliseconds();
        ::QueryPerformanceCounter(&start);
        form->UpdateChart(form->CurrentFolderPath(), form->CurrentFolderName());
        ::RedrawWindow(form->Chart1->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ::GdiFlush();
        ::QueryPerformanceCounter(&end);
        wall.push_back(Milliseconds(start, end));
        cpu.push_back(ProcessCpuMilliseconds() - cpu0);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-34s %6d items, %5d points: median %7.1f ms (CPU %7.1f ms), best %7.1f ms\n", what,
                form->StShellListView1->Model().RowCount(), form->Series1->Count(), wall[3], cpu[3], wall[0]);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int folders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    int files = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;
    Application->Initialize();
    std::filesystem::path root = std::filesystem::temp_directory_path() / "vs-chart-timing";
    std::filesystem::path many = MakeFolder(root, ("folders" + std::to_string(folders)).c_str(), folders, 0);
    std::filesystem::path typed = MakeFolder(root, ("files" + std::to_string(files)).c_str(), 0, files);
    auto* form = Application->CreateForm<TMainForm>();
    form->Params = {root.string()};
    form->Show();
    Application->ProcessMessages();
    Time(form, many, "sub-folders, pie");
    form->actBar->Execute();
    Time(form, many, "sub-folders, bars");
    form->actPie->Execute();
    Time(form, typed, "files by type, pie");
    delete form;
    return 0;
}
