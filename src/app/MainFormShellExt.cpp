// The commands that register and unregister the Explorer context-menu extension.
#include <functional>

#include "app/MainFormUnit.h"
#include "shellext/ShellExtRegistry.h"
#include "ui/Forms.h"

namespace {
// Changes the extension's registry entries under an hourglass, then reports the outcome: the
// error box appears only once the hourglass is gone.
void ChangeShellExtension(const std::function<void(TRegistry&)>& change, const std::string& success,
                          const std::string& failurePrefix) {
    std::string failure;
    {
        THourGlass hourGlass;
        try {
            TRegistry registry(HKEY_CLASSES_ROOT);
            change(registry);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure.empty())
        ShowInformation(success);
    else
        ShowWarning(failurePrefix + failure);
}
}  // namespace

void TMainForm::actRegisterExecute(TObject*) {
    ChangeShellExtension([](TRegistry& registry) { RegisterShellExtension(registry, ShellExtLibraryPath()); },
                         "Shell extension successfully registered.",
                         "There was an error installing the registry extension.\r\n");
}

void TMainForm::actUnregisterExecute(TObject*) {
    ChangeShellExtension([](TRegistry& registry) { UnregisterShellExtension(registry); },
                         "Shell extension successfully unregistered.",
                         "There was an error uninstalling the registry extension.\r\n");
}
