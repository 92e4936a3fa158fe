// The main window's side of live refresh: its change handler stays bound through the one-shot
// 10,000 ms timer that every change (re)starts.
#include <gtest/gtest.h>

#include "app/MainFormUnit.h"
#include "ui/UiTestEnv.h"

namespace {

class MainFormLive : public ::testing::Test {
protected:
    void SetUp() override { F = Application->CreateForm<TMainForm>(); }
    void TearDown() override {
        delete F;
        uitest::Pump();
    }
    TMainForm* F = nullptr;
};

}  // namespace

TEST_F(MainFormLive, HandlerIsBoundAtCreationAndTheTimerStartsOnFirstChange) {
    ASSERT_TRUE(static_cast<bool>(F->ListOnShellChangeNotify));
    EXPECT_EQ(nullptr, F->ShellChangeTimer());
    TStNotifyItem item{"C:\\x\\f.txt", "f.txt", false, nullptr};
    F->ListOnShellChangeNotify(F, &item, nullptr, {neFileDelete});
    TTimer* timer = F->ShellChangeTimer();
    ASSERT_NE(nullptr, timer);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(timer->OneShot());
    EXPECT_EQ(10000u, timer->Interval());
    EXPECT_EQ(F, timer->Owner());

    // A second change restarts the same timer.
    F->ListOnShellChangeNotify(F, &item, nullptr, {neAttributesChange});
    EXPECT_EQ(timer, F->ShellChangeTimer());
    EXPECT_TRUE(timer->Enabled());

    // When it fires it binds the handler again.
    F->ListOnShellChangeNotify = nullptr;
    timer->SetEnabled(false);
    timer->OnTimer(timer);
    EXPECT_TRUE(static_cast<bool>(F->ListOnShellChangeNotify));
}
