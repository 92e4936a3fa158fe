// Program entry: the start-up sequence.
#include <windows.h>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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
