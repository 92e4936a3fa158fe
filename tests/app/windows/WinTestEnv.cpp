#include "app/windows/WinTestEnv.h"

#include <gtest/gtest.h>

#include "support/ScreenShot_win.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace wintest {

namespace {

std::vector<TShownMessage> GMessages;

class TWindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        Application->SetMessageBoxHook([](const std::string& text, const std::string&, unsigned flags) {
            GMessages.push_back({text, flags});
            return (flags & MB_YESNO) ? IDYES : IDOK;
        });
    }
};

[[maybe_unused]] auto* const GEnvironment = ::testing::AddGlobalTestEnvironment(new TWindowsEnvironment);

}  // namespace

std::vector<TShownMessage> TakeMessages() {
    return std::exchange(GMessages, {});
}

void Pump(int ms) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    do {
        Application->ProcessMessages();
        ::Sleep(5);
    } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

bool SaveWindowShot(HWND wnd, const std::string& name) {
    return vstest::SaveScreenRect(wnd, name);
}

}  // namespace wintest
