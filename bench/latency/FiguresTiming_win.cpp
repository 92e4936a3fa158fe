// figures_timing FOLDER HOLD_SECONDS [CANCEL_MS]: the main window opened on FOLDER with folder sizes off,
// then folder sizes switched on as the tool button does; runs under Wine beside the latency probe
// (figures_latency.sh). Prints, in seconds:
//   listed   the folder listed with sizes off (rows shown)
//   switch   the switch itself: the folder rows' figures asked for, until the window takes messages
//   figures  from the switch until every folder row has its figures (or, with CANCEL_MS, until the
//            walk stopped after a cancel that many milliseconds after the switch)
//   answer   with CANCEL_MS: how long the cancel (Esc) took to return to the message loop
//   stopped  with CANCEL_MS: from the cancel until the workers had stopped
//   peak     the process's peak working set in MB
// Then keeps the window answering for HOLD_SECONDS, so that the probe's window covers the whole walk.
// Built against a tree without the folder model (an earlier commit), the switch totals every folder
// before it returns: figures is then the time the window did not answer.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/MainFormUnit.h"
#include "platform/WinText.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"

#if __has_include("shell/FolderModel.h")
#define VS_ASYNC_FIGURES 1
#endif

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Handles messages for up to ms milliseconds, or until done() holds.
template <typename F>
void PumpFor(double seconds, F done) {
    const auto start = std::chrono::steady_clock::now();
    MSG msg;
    while (Seconds(start) < seconds && !done()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

double PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1048576.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: figures_timing FOLDER HOLD_SECONDS [CANCEL_MS]\n");
        return 1;
    }
    const std::string folder = Narrow(argv[1]);
    const double hold = std::stod(argv[2]);
    const int cancelMs = argc > 3 ? std::stoi(argv[3]) : -1;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Application->Initialize();
    Application->SetMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return IDOK;
    });
    TMainForm* form = Application->CreateForm<TMainForm>();
    form->Params = {folder};
    auto start = std::chrono::steady_clock::now();
    form->Show();
    PumpFor(0.5, [] { return false; });
    const double listed = Seconds(start);
    std::printf("ready\n");
    std::fflush(stdout);
    PumpFor(2.0, [] { return false; });  // the probe starts meanwhile

    start = std::chrono::steady_clock::now();
    form->actFolderSizes->Execute();
    const double switched = Seconds(start);
    double answer = 0, stopped = 0;
#ifdef VS_ASYNC_FIGURES
    TFolderModel& model = form->StShellListView1->Model();
    if (cancelMs >= 0) {
        PumpFor(cancelMs / 1000.0, [&] { return !model.Walking(); });
        const auto cancelAt = std::chrono::steady_clock::now();
        // Esc as the keyboard delivers it to the focused list, through the application's key routing.
        MSG key{form->StShellListView1->Handle(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
        Application->HandleMessage(key);
        MSG ch{form->StShellListView1->Handle(), WM_CHAR, 27, 1, 0, {}};
        Application->HandleMessage(ch);
        answer = Seconds(cancelAt);
        PumpFor(600, [&] { return !model.Walking(); });
        stopped = Seconds(cancelAt);
    } else {
        PumpFor(3600, [&] { return !model.Walking(); });
    }
#endif
    const double figures = Seconds(start);
    std::printf("listed %.3f switch %.3f figures %.3f answer %.3f stopped %.3f peak %.0f MB\n", listed, switched,
                figures, answer, stopped, PeakMegabytes());
    std::fflush(stdout);
    PumpFor(hold, [] { return false; });
    delete form;
    Application->DestroyComponents();
    return 0;
}
