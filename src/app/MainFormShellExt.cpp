// The commands that register and unregister the Explorer context-menu extension.
#include "app/MainFormUnit.h"
#include "shellext/ShellExtRegistry.h"
#include "ui/Forms.h"

void TMainForm::actRegisterExecute(TObject*) {
    std::string failure;
    {
        THourGlass hourGlass;
        try {
            TRegistry registry(HKEY_CLASSES_ROOT);
            RegisterShellExtension(registry, ShellExtLibraryPath());
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure.empty())
        ShowInformation("Shell extension successfully registered.");
    else
        ShowWarning("There was an error installing the registry extension.\r\n" + failure);
}

void TMainForm::actUnregisterExecute(TObject*) {
    std::string failure;
    {
        THourGlass hourGlass;
        try {
            TRegistry registry(HKEY_CLASSES_ROOT);
            UnregisterShellExtension(registry);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure.empty())
        ShowInformation("Shell extension successfully unregistered.");
    else
        ShowWarning("There was an error uninstalling the registry extension.\r\n" + failure);
}
