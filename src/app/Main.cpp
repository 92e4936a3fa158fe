// Program entry: the start-up sequence, or a report written from the command line.
#include <windows.h>

#include <string>
#include <vector>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"

namespace {

bool IsReportSwitch(const std::string& arg) {
    return lstrcmpiA(arg.c_str(), "/csv") == 0 || lstrcmpiA(arg.c_str(), "/html") == 0;
}

// A program of the GUI subsystem has no console of its own; a message goes to the standard error
// handle it inherited, when there is one (a shell's redirection, a parent's pipe).
void WriteError(const std::string& text) {
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!err || err == INVALID_HANDLE_VALUE) return;
    const std::string line = "Voluscope: " + text + "\r\n";
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Voluscope /csv FILE FOLDER, Voluscope /html FILE FOLDER: the all-sub-folders report of FOLDER with the
// volume table and no chart picture, through the main window's own report code with the window never
// shown. Exit status 0, or 1 with the reason on standard error.
int RunReportSwitch(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        WriteError("usage: Voluscope /csv FILE FOLDER | /html FILE FOLDER");
        return 1;
    }
    int status = 0;
    try {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        // No message box may wait for a user who is not there: its text goes to standard error.
        Application->SetMessageBoxHook([](const std::string& text, const std::string&, unsigned) {
            WriteError(text);
            return IDNO;
        });
        TMainForm* form = Application->CreateForm<TMainForm>();
        form->WriteFolderReportFile(args[2], args[1], lstrcmpiA(args[0].c_str(), "/html") == 0);
    } catch (const std::exception& e) {
        WriteError(e.what());
        status = 1;
    } catch (...) {
        WriteError("the report could not be written");
        status = 1;
    }
    Application->DestroyComponents();
    return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::string> args = CommandLineParams();
    if (!args.empty() && IsReportSwitch(args[0])) return RunReportSwitch(args);
    try {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        // The splash has no owner and is not made through CreateForm, so it never becomes the
        // main window.
        SplashForm = new TSplashForm(nullptr);
        SplashForm->AfterConstruction();
        SplashForm->Show();
        Application->ProcessMessages();
        Application->CreateForm<TMainForm>();
        ProgressForm = Application->CreateForm<TProgressForm>();
        Application->Run();
    } catch (...) {
        Application->HandleException();
    }
    delete SplashForm;
    SplashForm = nullptr;
    // Windows, timers and their tables go now, while everything they use still exists.
    ProgressForm = nullptr;
    Application->DestroyComponents();
    return 0;
}
