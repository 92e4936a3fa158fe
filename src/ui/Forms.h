#pragma once
// Forms and the application object: message loop, idle-time action updates, keyboard routing
// (shortcuts, key preview, label accelerators), modal loops, the standard error report and the
// busy guard that keeps long operations from being re-entered.
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "ui/Controls.h"

class TActionList;
class TLabel;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree };
enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TWinControl {
public:
    // A top-level window with the given frame. Build the child controls in the derived constructor
    // with design sizes (96 DPI), then call AfterConstruction (TApplication::CreateForm does), which
    // scales the tree to the window's DPI and raises OnCreate.
    explicit TForm(TComponent* owner, TFormBorderStyle borderStyle = bsSizeable);
    ~TForm() override;

    void AfterConstruction();

    void SetCaption(const std::string& caption) override;
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    // A title bar without system menu or buttons (the close box goes too).
    void SetBorderIconsNone();
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool on) { FKeyPreview = on; }

    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height);
    void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
    void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
    void SetVisible(bool visible) override;

    // The control that gets the focus when the form is shown.
    TControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TControl* control);

    // Shows the window non-modally; the first showing applies the position mode.
    void ShowForm() { SetVisible(true); }
    // Shows the window without taking the focus from the window that has it (a progress window that
    // appears while the user works in the main window).
    void ShowInactive();
    // Runs OnClose; caHide hides the form, caFree on the main form ends the program. An exception
    // from OnClose cancels the close and goes on to the caller. While a long operation runs the close
    // is held back until it ends.
    void Close();
    // Shows the form modally: every other window of the program is disabled until ModalResult is set
    // (or the form closes); returns the modal result.
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }
    bool Modal() const { return FModal; }
    // True while the form destroys its controls: no more layout or resize events.
    bool Destroying() const { return FDestroying; }

    // Gives the window the shape of a region, which the system then owns. Returns false when there
    // is no region or the system refused it (the region is then freed and the window stays as it was).
    bool SetRegion(TRegionHandle region);

    // Scales everything from the current DPI to another, as when the window moves to a monitor
    // with a different DPI (WM_DPICHANGED). newBounds, if not null, is the suggested window rectangle.
    void ScaleToDpi(int dpi, const RECT* newBounds = nullptr);

    // Action lists whose shortcuts this form answers and whose actions it updates at idle time.
    void AddActionList(TActionList* list);
    void RemoveActionList(TActionList* list);
    const std::vector<TActionList*>& ActionLists() const { return FActionLists; }
    // Runs the action bound to the key, if any; true when one ran (or was held back).
    bool IsShortCut(WORD key, unsigned shift);
    // Label accelerators (Alt+letter): focuses the label's control; true when one matched.
    bool DialogChar(wchar_t ch);
    void UpdateActions();
    // Shows the control's Hint as its tool tip.
    void RegisterHint(TControl* control);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(TCanvas& canvas) override {}
    void Resized() override;

private:
    friend class TControl;
    friend class TApplication;
    void SyncBoundsFromWindow();
    void CenterOnScreen();

    int FDpi = 96;        // the tree is built at 96 DPI ...
    int FWindowDpi = 96;  // ... and scaled to the window's DPI by AfterConstruction
    TFormBorderStyle FBorderStyle;
    TPosition FPosition = poDesigned;
    bool FKeyPreview = false;
    bool FShownOnce = false;
    bool FShowInactive = false;
    bool FModal = false;
    bool FCreated = false;
    bool FDestroying = false;
    int FModalResult = mrNone;
    TControl* FActiveControl = nullptr;
    std::vector<TActionList*> FActionLists;
    HWND FToolTip = nullptr;  // destroyed with the form's window
};

// Runs a long operation's scope: while any is alive the application is busy, actions that are not
// marked safe are held back, and work handed to RunWhenNotBusy waits.
class TBusyScope {
public:
    TBusyScope();
    ~TBusyScope();
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

// Sets the hourglass for the life of the scope (over every window of the program) and puts the
// previous cursor back on every way out.
bool HourGlassActive();
class THourGlass {
public:
    THourGlass();
    ~THourGlass();
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;

private:
    HCURSOR FOld;
};

using TMessageBoxHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Declares per-monitor DPI awareness and loads the common controls. Call once, first.
    void Initialize();
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title) { FTitle = title; }

    // Creates a form owned by the application and finishes its construction. The first form made this
    // way becomes the main form: closing it ends the program.
    template <typename T, typename... Args>
    T* CreateForm(Args&&... args) {
        T* form = new T(this, std::forward<Args>(args)...);
        if (!FMainForm) FMainForm = form;
        form->AfterConstruction();
        return form;
    }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Shows the main form and runs the message loop until Terminate.
    void Run();
    // Runs every pending message, then returns. Safe to call from inside a long operation.
    void ProcessMessages();
    // One round of idle work: updates the actions of every visible form.
    void Idle();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Withdraws a Terminate whose quit message has not ended the loop yet (the quit message is
    // taken out of the queue).
    void CancelTerminate();
    // Routes one message (shortcuts, key preview, accelerators) and dispatches it.
    void HandleMessage(MSG& msg);

    // The standard error report for the exception being handled (call inside a catch block).
    void HandleException(TObject* sender = nullptr);
    void ShowException(const std::string& message);

    // Message boxes all come here; tests install a hook to answer them without a modal loop.
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
    TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

    bool Busy() const { return FBusyCount > 0; }
    void BeginBusy() { ++FBusyCount; }
    void EndBusy();
    // Runs work now, or when the current long operation ends (in the order handed over).
    void RunWhenNotBusy(std::function<void()> work);

    // A hidden window for posted work and timers.
    HWND UtilityWindow() {
        EnsureUtilityWindow();
        return FUtility;
    }
    // Every form that exists, oldest first.
    static const std::vector<TForm*>& Forms();

private:
    friend class TForm;
    void EnsureUtilityWindow();
    static LRESULT CALLBACK UtilityProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void RunDeferred();

    std::string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    int FBusyCount = 0;
    std::deque<std::function<void()>> FDeferred;
    TMessageBoxHook FMessageBoxHook;
    HWND FUtility = nullptr;
};

// The one application object.
extern TApplication* Application;

// The text the standard error report shows: the message, with "." appended when the message is not
// empty and its last character sorts after ".".
std::string StandardErrorText(const std::string& message);

// The text of the exception being handled (call inside a catch block).
std::string CurrentExceptionMessage();

// Message boxes captioned with the application title.
void ShowWarning(const std::string& text);
void ShowError(const std::string& text);
void ShowInformation(const std::string& text);
// A warning with Yes and No; true for Yes.
bool AskYesNo(const std::string& text);

// The full path of the running executable and its folder (with the trailing separator).
std::string ExeFileName();
std::string ExeFolder();
