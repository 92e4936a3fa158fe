// The main window's side of live refresh, on the real window under Wine: a change on disk in the
// current folder reaches the list and the window's handler, which stays bound through the one-shot
// 10,000 ms timer; a change noticed during a report reaches the chart and the status bar once the
// folder has been read again; a folder written ten times a second keeps its rows on screen while the
// commands go on answering; the folder combo box shows the list's folder and opens what is picked.
//
// VS_LIVE_STORM_SECONDS sets how long the busy folder is written (3 s by default; bench/live/storm.sh
// runs it for 30 s and prints the figures).
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "shell/NotificationNote.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellNotification.h"
#include "shell/ShellNotificationList.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace {

class MainFormLive : public uitest::TMainFormTest {
protected:
    void SetUp() override {
        Dir.WriteFile("sub\\a.bin", 100);
        Dir.WriteFile("gone.txt", 10);
        TMainFormTest::SetUp();
    }
    int Row(const std::string& caption) const {
        for (int i = 0; i < F->StShellListView1->ItemCount(); ++i)
            if (F->StShellListView1->Item(i).Caption == caption) return i;
        return -1;
    }
    std::string ComboPath() const {
        int i = F->StShellComboBox1->ItemIndex();
        return i >= 0 ? F->StShellComboBox1->Entries().At(i).Path : "<none>";
    }
    TStShellNotification* Notification() const {
        return dynamic_cast<TStShellNotification*>(F->StShellListView1->FindComponent("ShellNotification"));
    }
    bool Charted(const std::string& label) const {
        TChartSeries* series = F->Chart1->Chart().LegendSeries();
        for (int i = 0; series && i < series->Count(); ++i)
            if (series->Label(i) == label) return true;
        return false;
    }
    vstest::TTempDir Dir;
};

// Counts the paints of a list that find it without rows, or with its drawing switched off.
class TPaintSampler {
public:
    explicit TPaintSampler(HWND list) : FList(list) {
        ::SetWindowSubclass(FList, &Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TPaintSampler() { ::RemoveWindowSubclass(FList, &Proc, 1); }
    TPaintSampler(const TPaintSampler&) = delete;
    TPaintSampler& operator=(const TPaintSampler&) = delete;
    bool On = false;
    int Paints = 0, Empty = 0, Blank = 0;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<TPaintSampler*>(data);
        if (msg == WM_SETREDRAW) self->FRedrawOff = !wp;
        if (msg == WM_PAINT && self->On) {
            ++self->Paints;
            self->Empty += ListView_GetItemCount(wnd) == 0;
            self->Blank += self->FRedrawOff;
        }
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }
    HWND FList;
    bool FRedrawOff = false;
};

// The program's message loop for ms milliseconds: messages, and the idle update when there are none.
void RunMessageLoop(int ms) {
    const DWORD end = ::GetTickCount() + ms;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Application->HandleMessage(msg);
        } else {
            Application->Idle();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
}

int StormSeconds() {
    const char* text = std::getenv("VS_LIVE_STORM_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 3;
}

}  // namespace

TEST_F(MainFormLive, DeletingAFileInTheCurrentFolderReachesTheListAndTheWindow) {
    F->OpenFolder(Dir.Utf8());
    uitest::Pump(200);
    ASSERT_GE(Row("gone.txt"), 0);
    EXPECT_EQ(nullptr, F->ShellChangeTimer());
    std::filesystem::remove(Dir.Path() / "gone.txt");
    uitest::PumpUntil([&] { return Row("gone.txt") < 0; });
    EXPECT_LT(Row("gone.txt"), 0);
    uitest::Pump(100);
    // The window's handler ran: its timer is running.
    TTimer* timer = F->ShellChangeTimer();
    ASSERT_NE(nullptr, timer);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(timer->OneShot());
    EXPECT_EQ(10000u, timer->Interval());
    EXPECT_EQ(F, timer->Owner());

    // When the timer fires it binds the handler again.
    F->StShellListView1->OnShellChangeNotify = nullptr;
    timer->SetEnabled(false);
    timer->OnTimer(timer);
    EXPECT_TRUE(static_cast<bool>(F->StShellListView1->OnShellChangeNotify));
}

TEST_F(MainFormLive, TheComboBoxShowsTheListsFolderAndOpensWhatIsPicked) {
    EXPECT_EQ("StShellComboBox1", F->StShellComboBox1->Name());
    EXPECT_TRUE(F->StShellComboBox1->Linked());
    F->OpenFolder(Dir.Utf8() + "\\sub");
    uitest::Pump(100);
    EXPECT_EQ(Dir.Utf8() + "\\sub", ComboPath());
    // Picking the drive opens it in the list.
    const int c = F->StShellComboBox1->Entries().IndexOfPath("C:\\");
    ASSERT_GE(c, 0);
    F->StShellComboBox1->PickEntry(c);
    uitest::Pump(100);
    EXPECT_EQ("C:\\", F->CurrentFolderPath());
    EXPECT_EQ("C:\\", ComboPath());
}

TEST_F(MainFormLive, AChangeNoticedDuringAReportReachesTheChartAndTheStatusBarAfterwards) {
    ProgressForm = Application->CreateForm<TProgressForm>();  // its status text lets the walk's messages run
    F->OpenFolder(Dir.Utf8());
    uitest::Pump(200);
    ASSERT_EQ("2 object(s)", F->StatusBar1->PanelText(0));
    // A folder appears as the report starts; its notification is handled while the report walks.
    Dir.MakeDir("late");
    Notification()->Receive(vstest::Note(shcne::kMkDir, Dir.Utf8() + "\\late", true));
    uitest::TSaveDialogHook cancel([](TSaveDialog&) { return false; });
    F->actPrintAllCsv->Execute();
    ASSERT_TRUE(uitest::PumpUntil([&] { return Row("late") >= 0; }));
    uitest::Pump(200);
    EXPECT_EQ("3 object(s)", F->StatusBar1->PanelText(0));
    EXPECT_TRUE(Charted("late"));
}

TEST_F(MainFormLive, AFolderWrittenTenTimesASecondKeepsItsRowsAndTheCommandsAnswer) {
    const int seconds = StormSeconds();
    ProgressForm = Application->CreateForm<TProgressForm>();
    F->Params = {Dir.Utf8()};
    F->Show();
    ASSERT_TRUE(uitest::PumpUntil([&] { return Row("gone.txt") >= 0; }));
    F->actBar->Execute();
    ASSERT_FALSE(F->actPie->Checked());

    TPaintSampler sampler(F->StShellListView1->Handle());
    int changes = 0, emptyAtChange = 0, idleUpdates = 0;
    auto handler = F->StShellListView1->OnShellChangeNotify;
    F->StShellListView1->OnShellChangeNotify = [&, handler](TObject* s, TStShellItem* o, TStShellItem* n, unsigned e) {
        ++changes;
        emptyAtChange += F->StShellListView1->ItemCount() == 0;
        // A source that feeds itself: a log in the folder that every change writes to.
        if (sampler.On) std::ofstream(Dir.Path() / "self.log", std::ios::app) << "change\n";
        handler(s, o, n, e);
    };
    auto update = F->actVolumes->OnUpdate;
    F->actVolumes->OnUpdate = [&, update](TObject* s) {
        idleUpdates += sampler.On;
        if (update) update(s);
    };

    // Ten writes a second from another program: a log that grows, and every fifth time a new file.
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    const auto log = Dir.Path() / "busy.log";
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            std::ofstream(log, std::ios::app) << "line " << i << "\n";
            if (i % 5 == 0) Dir.WriteFile("new" + std::to_string(i) + ".txt", 10);
            ++writes;
            ::Sleep(100);
        }
    });
    // On the window's thread, in whatever loop runs: the sub-folder change Wine does not report,
    // injected; after one second the pie chart's shortcut; and when the pie shows.
    const DWORD start = ::GetTickCount();
    DWORD answered = 0;
    bool pressed = false;
    TTimer driver(nullptr);
    driver.SetInterval(100);
    driver.OnTimer = [&](TObject*) {
        const DWORD t = ::GetTickCount() - start;
        if (t < static_cast<DWORD>(seconds) * 1000) {
            Dir.WriteFile("sub\\a.bin", 100 + t % 50);
            Notification()->Receive(vstest::Note(shcne::kUpdateItem, Dir.Utf8() + "\\sub\\a.bin"));
        }
        if (!pressed && t >= 1000) {
            pressed = true;
            uitest::PressKey(F->StShellListView1->Handle(), 'B', ssCtrl);
        }
        if (pressed && !answered && F->actPie->Checked()) answered = t;
    };
    sampler.On = true;
    driver.SetEnabled(true);
    RunMessageLoop(seconds * 1000);
    stop = true;
    writer.join();
    sampler.On = false;
    const bool answeredInTime = answered != 0;
    RunMessageLoop(1500);  // the last change is read
    driver.SetEnabled(false);

    auto* refresher = dynamic_cast<TStListRefresher*>(F->StShellListView1->FindComponent("ChangeRefresher"));
    std::printf(
        "[ storm    ] %d s, %d writes, %d readings of the folder, %d list paints (%d without rows, %d "
        "blank), %d change events (%d without rows), command answered after %d ms, %d idle updates\n",
        seconds, writes.load(), refresher ? refresher->Readings() : -1, sampler.Paints, sampler.Empty, sampler.Blank,
        changes, emptyAtChange, answered ? static_cast<int>(answered) - 1000 : -1, idleUpdates);
    EXPECT_GT(sampler.Paints, 0);
    EXPECT_EQ(0, sampler.Empty);
    EXPECT_EQ(0, sampler.Blank);
    EXPECT_GT(changes, 0);
    EXPECT_EQ(0, emptyAtChange);
    EXPECT_TRUE(answeredInTime) << "the pie chart's shortcut took effect only after the writes stopped";
    EXPECT_GT(idleUpdates, 0);
    // Everything on disk is listed in the end, and the status bar counts it.
    int onDisk = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(Dir.Path())) ++onDisk;
    EXPECT_EQ(onDisk, F->StShellListView1->ItemCount());
    EXPECT_EQ(std::to_string(onDisk) + " object(s)", F->StatusBar1->PanelText(0));
}
