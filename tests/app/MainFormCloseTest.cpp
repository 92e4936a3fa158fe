// Closing the main window: Escape, Ctrl+X and the close box save the settings and end the
// program, also when the settings file cannot be written (the error is reported first).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/MainFormUnit.h"
#include "app/Settings.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

class MainFormClose : public ::testing::Test {
protected:
    void SetUp() override {
        Ini = vstest::Utf8Path(SettingsFilePath(ExeFileName()));
        std::error_code ec;
        fs::remove_all(Ini, ec);
        F = Application->CreateForm<TMainForm>();
        F->Show();
        uitest::Pump();
        uitest::TakeBoxes();
    }
    void TearDown() override {
        delete F;
        Application->CancelTerminate();
        std::error_code ec;
        fs::remove_all(Ini, ec);
        uitest::Pump();
    }
    std::string IniText() const { return vstest::ReadFileText(Ini); }
    fs::path Ini;
    TMainForm* F = nullptr;
};

}  // namespace

TEST_F(MainFormClose, EscapeInAnyControlSavesAndEnds) {
    F->FilterCombo->Add("*.log");
    F->StShellListView1->SetFocus();
    uitest::PressKey(F->StShellListView1->Handle(), VK_ESCAPE, 0, 27);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(::IsWindowVisible(F->Handle()));
    EXPECT_EQ((std::vector<std::string>{"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3", "*.log"}),
              LoadFilterSettings(SettingsFilePath(ExeFileName())));
    std::string text = IniText();
    EXPECT_NE(std::string::npos, text.find("[filters]"));
    EXPECT_NE(std::string::npos, text.find("0=*.*"));
    EXPECT_NE(std::string::npos, text.find("6=*.log"));
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST_F(MainFormClose, CtrlXAndTheCloseBoxTakeTheSameRoad) {
    uitest::PressKey(F->VolumeList->Handle(), 'X', ssCtrl);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(fs::exists(Ini));
    Application->CancelTerminate();
    fs::remove(Ini);
    F->Show();
    ::SendMessageW(F->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(fs::exists(Ini));
}

TEST_F(MainFormClose, UnwritableSettingsAreReportedAndTheProgramStillEnds) {
    // A folder in the settings file's place cannot be written as a file.
    fs::create_directory(Ini);
    ::SendMessageW(F->Handle(), WM_CLOSE, 0, 0);
    uitest::TShownBox box;
    ASSERT_TRUE(uitest::TakeOneBox(box));
    EXPECT_EQ("Unable to write to " + SettingsFilePath(ExeFileName()) + ".", box.Text);
    EXPECT_EQ("Voluscope", box.Caption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONERROR), box.Flags);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(::IsWindowVisible(F->Handle()));
}

TEST_F(MainFormClose, SettingsComeBackAtTheNextStart) {
    {
        std::ofstream out(Ini, std::ios::binary);
        out << "[filters]\r\na=*.doc\r\nb=*.xls\r\nx=a=b\r\nempty=\r\n";
    }
    auto* second = Application->CreateForm<TMainForm>();
    EXPECT_EQ((std::vector<std::string>{"*.doc", "*.xls", "a=b"}), second->FilterCombo->AllItems());
    EXPECT_EQ("*.*", second->FilterCombo->Text());
    second->SaveSettings();
    delete second;
    // Written afresh: exactly the three filters, so they are not doubled at the next start.
    auto* third = Application->CreateForm<TMainForm>();
    EXPECT_EQ((std::vector<std::string>{"*.doc", "*.xls", "a=b"}), third->FilterCombo->AllItems());
    delete third;
}
