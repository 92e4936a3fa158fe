#pragma once
// The main window for the tests that drive it: a fresh window per test, deleted afterwards together
// with the start-up windows (splash, progress) a test made, so that a test ended early by a failed
// assertion leaves none of them to change the next test's hand-over.
#include <gtest/gtest.h>

#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace uitest {

// Deletes the splash and progress windows that are still there and clears their globals.
inline void DeleteStartupWindows() {
    delete SplashForm;
    SplashForm = nullptr;
    delete ProgressForm;
    ProgressForm = nullptr;
}

// F: the main window, created (not shown) before each test; the message boxes of its creation are
// taken. After the test it goes, and so do the start-up windows.
class TMainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        F = Application->CreateForm<TMainForm>();
        TakeBoxes();
    }
    void TearDown() override {
        delete F;
        F = nullptr;
        DeleteStartupWindows();
        Pump();
    }
    // "Save Scan..." runs on a worker and posts its end to the window: true once it has ended.
    bool SaveScanEnded() {
        return PumpUntil([&] { return F->actSaveScan->Caption() == "Save Scan..."; }, 20000);
    }
    // "Save Scan..." of the folder shown, answered with file in the save dialog, as the user saves one:
    // true once it has ended.
    bool SaveScanTo(const std::string& file) {
        TSaveDialogHook save([&](TSaveDialog& d) {
            d.FileName = file;
            return true;
        });
        F->SaveScan1->Click();
        return SaveScanEnded();
    }
    TMainForm* F = nullptr;
};

}  // namespace uitest
