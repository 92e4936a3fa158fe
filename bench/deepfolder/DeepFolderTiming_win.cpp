// deepfolder_timing DEPTH...: the main window opened on a folder DEPTH levels deep, as a start folder on
// the command line does; runs under Wine. The chain of folders is made in the temporary folder and
// removed afterwards. One line per depth, in seconds:
//   levels  identifiers in the list's folder (Wine's shell cuts a path it parses at MAX_PATH)
//   shown   until the window is shown, everything below included
//   parsed  until the list starts its fill (the path parsed into the folder)
//   filled  the fill and its handlers (rows, chart, status bar)
//   rearm   the change notification armed on the folder
//   combo   the combo box showing the folder's path
//   rest    after that, until shown
//   again   the combo box showing the path once more from scratch, and `reads` the folder levels it read
//           from the shell for that (ComboFolderReads)
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/MainFormUnit.h"
#include "platform/WinText.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The "\\?\" form reaches past MAX_PATH while the chain is made and removed.
std::wstring MakeChain(const std::wstring& root, int depth) {
    std::wstring path = L"\\\\?\\" + root;
    ::CreateDirectoryW(path.c_str(), nullptr);
    for (int i = 0; i < depth; ++i) {
        path += L"\\d";
        if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return path.substr(4);
}

void RemoveChain(const std::wstring& root, int depth) {
    std::wstring path = L"\\\\?\\" + root;
    for (int i = 0; i < depth; ++i) path += L"\\d";
    for (int i = depth; i >= 0; --i) {
        ::RemoveDirectoryW(path.c_str());
        path.resize(path.find_last_of(L'\\'));
    }
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: deepfolder_timing DEPTH...\n");
        return 1;
    }
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Application->Initialize();
    Application->SetMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return IDOK;
    });
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"deepfolder-" + std::to_wstring(::GetCurrentProcessId());
    std::printf("depth levels   shown  parsed  filled   rearm    rest   again  reads\n");
    for (int a = 1; a < argc; ++a) {
        const int depth = std::stoi(argv[a]);
        const std::wstring deepest = MakeChain(root, depth);
        if (deepest.empty()) {
            std::fprintf(stderr, "cannot make a chain %d deep\n", depth);
            RemoveChain(root, depth);
            return 1;
        }
        TMainForm* form = Application->CreateForm<TMainForm>();
        form->Params = {Narrow(deepest)};
        // The phases of the opening, from the list's events: up to the fill (the path parsed), the
        // fill and its handlers (the rows, the chart, the status bar and the combo box's path, which follows
        // the folder model's new rows).
        auto start = std::chrono::steady_clock::now();
        double beforeFill = 0, filled = 0, rearm = 0;
        TStShellListView* list = form->StShellListView1;
        const TNotifyEvent onBefore = list->OnBeforeFill, onFilled = list->OnListFilled,
                           onRearm = list->OnRearmNotification;
        list->OnRearmNotification = [&](TObject* s) {
            const double at = Seconds(start);
            if (onRearm) onRearm(s);
            rearm = Seconds(start) - at;
        };
        list->OnBeforeFill = [&](TObject* s) {
            beforeFill = Seconds(start);
            if (onBefore) onBefore(s);
        };
        list->OnListFilled = [&](TObject* s) {
            if (onFilled) onFilled(s);
            filled = Seconds(start);
        };
        form->Show();
        Pump();
        const double shown = Seconds(start);
        const TStShellFolder* current = list->CurrentFolder();
        const int levels =
            current ? IdListDepth(reinterpret_cast<PCIDLIST_ABSOLUTE>(current->AbsoluteIdList.get())) : -1;

        // The combo box on its own, with the inserted entries gone: the path shown again from scratch.
        TStShellComboBox* combo = form->StShellComboBox1;
        combo->FillEntries();
        const auto folder = combo->ListCurrentFolder ? combo->ListCurrentFolder() : nullptr;
        const int readsBefore = ComboFolderReads();
        start = std::chrono::steady_clock::now();
        if (folder) combo->ShowPath(*folder);
        const double again = Seconds(start);
        std::printf("%5d %6d %7.3f %7.3f %7.3f %7.3f %7.3f %7.3f %6d\n", depth, levels, shown, beforeFill,
                    filled - beforeFill, rearm, shown - filled, again, ComboFolderReads() - readsBefore);
        std::fflush(stdout);
        delete form;
        Pump();
        RemoveChain(root, depth);
    }
    Application->DestroyComponents();
    return 0;
}
