#include "ui/Forms.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>

#include "platform/WinText.h"
#include "ui/ActnList.h"
#include "ui/StdCtrls.h"

namespace {
// The form list outlives the application object, whose destructor destroys the forms it owns.
std::vector<TForm*> GForms;
TApplication GApplication;
int GHourGlass = 0;

constexpr UINT WM_VS_DEFERRED = WM_APP + 0x100;
constexpr UINT WM_VS_RELEASE = WM_APP + 0x101;

int WindowDpi(HWND wnd) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static auto fn = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (fn && wnd) {
        UINT dpi = fn(wnd);
        if (dpi) return static_cast<int>(dpi);
    }
    TWindowDc dc(nullptr);
    return ::GetDeviceCaps(dc.Get(), LOGPIXELSX);
}

BOOL AdjustRectForDpi(RECT* r, DWORD style, DWORD exStyle, int dpi) {
    using TAdjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static auto fn = reinterpret_cast<TAdjust>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (fn) return fn(r, style, FALSE, exStyle, dpi);
    return ::AdjustWindowRectEx(r, style, FALSE, exStyle);
}

TForm* FormOf(HWND wnd) {
    if (!wnd) return nullptr;
    return dynamic_cast<TForm*>(TControl::FromHandle(::GetAncestor(wnd, GA_ROOT)));
}

void CollectLabels(TWinControl* parent, std::vector<TLabel*>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* l = dynamic_cast<TLabel*>(c)) out.push_back(l);
        if (auto* w = dynamic_cast<TWinControl*>(c)) CollectLabels(w, out);
    }
}
}  // namespace

TApplication* Application = &GApplication;

std::string StandardErrorText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

std::string CurrentExceptionMessage() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void ShowWarning(const std::string& text) {
    Application->MessageBox(text, Application->Title(), MB_OK | MB_ICONWARNING);
}
void ShowError(const std::string& text) {
    Application->MessageBox(text, Application->Title(), MB_OK | MB_ICONERROR);
}
void ShowInformation(const std::string& text) {
    Application->MessageBox(text, Application->Title(), MB_OK | MB_ICONINFORMATION);
}
bool AskYesNo(const std::string& text) {
    return Application->MessageBox(text, Application->Title(), MB_YESNO | MB_ICONWARNING) == IDYES;
}

std::string ExeFileName() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return Narrow(buf);
        }
        buf.resize(buf.size() * 2);  // long path: try a larger buffer
    }
}

std::string ExeFolder() {
    std::string path = ExeFileName();
    size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

bool HourGlassActive() {
    return GHourGlass > 0;
}

THourGlass::THourGlass() : FOld(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {
    ++GHourGlass;
}

THourGlass::~THourGlass() {
    --GHourGlass;
    ::SetCursor(FOld ? FOld : ::LoadCursorW(nullptr, IDC_ARROW));
}

TBusyScope::TBusyScope() {
    Application->BeginBusy();
}
TBusyScope::~TBusyScope() {
    Application->EndBusy();
}

// ---------------------------------------------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* owner, TFormBorderStyle borderStyle) : TWinControl(owner, nullptr), FBorderStyle(borderStyle) {
    GForms.push_back(this);
    FVisible = false;  // a form starts hidden until shown
    FParentColor = false;
    FParentFont = false;
    DWORD style = WS_CLIPCHILDREN, ex = WS_EX_CONTROLPARENT;
    switch (borderStyle) {
        case bsNone:
            style |= WS_POPUP;
            break;
        case bsSingle:
            style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
            break;
        case bsSizeable:
            style |= WS_OVERLAPPEDWINDOW;
            break;
        case bsDialog:
            style |= WS_CAPTION | WS_SYSMENU;
            ex |= WS_EX_DLGMODALFRAME;
            break;
        case bsToolWindow:
            style |= WS_CAPTION | WS_SYSMENU;
            ex |= WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
            ex |= WS_EX_TOOLWINDOW;
            break;
    }
    // A form owned by another form stays above it (the about window above the main window).
    HWND ownerWnd = nullptr;
    if (auto* of = dynamic_cast<TForm*>(owner)) ownerWnd = of->Handle();
    HWND wnd = CreateBoundWindow(ex, L"VsForm", L"", style, 0, 0, 320, 240, ownerWnd, 0);
    // Design sizes are given at 96 DPI while the tree is built; AfterConstruction scales.
    FWindowDpi = WindowDpi(wnd);
    SyncBoundsFromWindow();
}

TForm::~TForm() {
    // Controls go first, while the window they live in still exists.
    FDestroying = true;
    DestroyComponents();
    if (Application->MainForm() == this) Application->SetMainForm(nullptr);
    GForms.erase(std::remove(GForms.begin(), GForms.end(), this), GForms.end());
}

void TForm::AfterConstruction() {
    if (FWindowDpi != FDpi) ScaleToDpi(FWindowDpi);
    FCreated = true;
    Realign();
    if (OnCreate) OnCreate(this);
}

void TForm::ScaleToDpi(int dpi, const RECT* newBounds) {
    int oldDpi = FDpi;
    if (dpi == oldDpi) return;
    int cw = ClientWidth(), ch = ClientHeight();
    FDpi = dpi;
    {
        TAlignLock lock(this);
        for (int i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(dpi, oldDpi);
        FFontHandle.Reset();
        if (newBounds)
            SetBounds(newBounds->left, newBounds->top, newBounds->right - newBounds->left,
                      newBounds->bottom - newBounds->top);
        else
            SetClientSize(::MulDiv(cw, dpi, oldDpi), ::MulDiv(ch, dpi, oldDpi));
    }
    // Sizes within changed even when the window's own did not: lay out and tell OnResize.
    Resized();
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TControl::SetCaption(caption);
    ::SetWindowTextW(Handle(), Widen(caption).c_str());
}

void TForm::SetBorderIconsNone() {
    LONG_PTR style = ::GetWindowLongPtrW(Handle(), GWL_STYLE);
    ::SetWindowLongPtrW(Handle(), GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_SYSMENU));
    ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SyncBoundsFromWindow() {
    RECT r;
    ::GetWindowRect(Handle(), &r);
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    ::SetWindowPos(Handle(), nullptr, left, top, std::max(width, 0), std::max(height, 0),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    SyncBoundsFromWindow();
}

int TForm::ClientWidth() const {
    RECT rc;
    ::GetClientRect(Handle(), &rc);
    return rc.right;
}

int TForm::ClientHeight() const {
    RECT rc;
    ::GetClientRect(Handle(), &rc);
    return rc.bottom;
}

void TForm::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustRectForDpi(&r, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE)),
                     static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)), FDpi);
    SetBounds(FLeft, FTop, r.right - r.left, r.bottom - r.top);
    // A frame that the window manager draws differently: correct by what the window really got.
    int dw = width - ClientWidth(), dh = height - ClientHeight();
    if (dw || dh) SetBounds(FLeft, FTop, FWidth + dw, FHeight + dh);
}

void TForm::CenterOnScreen() {
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    SetBounds((sw - FWidth) / 2, (sh - FHeight) / 2, FWidth, FHeight);
}

void TForm::SetVisible(bool visible) {
    if (visible == FVisible && (visible == (::IsWindowVisible(Handle()) != 0))) return;
    FVisible = visible;
    if (visible) {
        if (!FShownOnce && FPosition == poScreenCenter) CenterOnScreen();
        FShownOnce = true;
        // An error while showing is reported; the window is shown all the same.
        try {
            if (OnShow) OnShow(this);
        } catch (...) {
            Application->HandleException(this);
        }
        ::ShowWindow(Handle(), FShowInactive ? SW_SHOWNOACTIVATE : SW_SHOW);
        ::UpdateWindow(Handle());
        if (FActiveControl && !FShowInactive) FActiveControl->SetFocus();
    } else {
        ::ShowWindow(Handle(), SW_HIDE);
        if (OnHide) OnHide(this);
    }
}

void TForm::ShowInactive() {
    FShowInactive = true;
    SetVisible(true);
    FShowInactive = false;
}

void TForm::SetActiveControl(TControl* control) {
    FActiveControl = control;
    if (control && ::IsWindowVisible(Handle())) control->SetFocus();
}

void TForm::Close() {
    if (Application->Busy()) {
        // A long operation is running inside the message loop: close once it has ended.
        Application->RunWhenNotBusy([this] {
            if (std::find(GForms.begin(), GForms.end(), this) != GForms.end()) Close();
        });
        return;
    }
    bool isMain = Application->MainForm() == this;
    TCloseAction action = (isMain && !FModal) ? caFree : caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (FModal) {
        if (FModalResult == mrNone) FModalResult = mrCancel;
        return;
    }
    Hide();
    if (isMain)
        Application->Terminate();
    else if (action == caFree)
        ::PostMessageW(Application->UtilityWindow(), WM_VS_RELEASE, 0, reinterpret_cast<LPARAM>(this));
}

int TForm::ShowModal() {
    if (::IsWindowVisible(Handle())) throw Exception("Cannot make a visible window modal");
    std::vector<HWND> disabled;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
            if (::IsWindowVisible(w) && ::IsWindowEnabled(w)) list->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), Handle()), disabled.end());
    for (HWND w : disabled) ::EnableWindow(w, FALSE);
    FModal = true;
    FModalResult = mrNone;
    try {
        Show();
        while (FModalResult == mrNone && !Application->Terminated()) {
            MSG msg;
            if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                Application->HandleMessage(msg);
            } else {
                Application->Idle();
                if (FModalResult == mrNone) ::WaitMessage();
            }
        }
    } catch (...) {
        for (HWND w : disabled) ::EnableWindow(w, TRUE);
        FModal = false;
        throw;
    }
    // Enable the others before hiding, so that the system activates the owner again.
    for (HWND w : disabled) ::EnableWindow(w, TRUE);
    Hide();
    FModal = false;
    return FModalResult;
}

bool TForm::SetRegion(TRegionHandle region) {
    if (!region || !::SetWindowRgn(Handle(), region.Get(), TRUE)) return false;
    region.Release();  // the system owns the region now
    return true;
}

void TForm::AddActionList(TActionList* list) {
    if (std::find(FActionLists.begin(), FActionLists.end(), list) == FActionLists.end()) FActionLists.push_back(list);
}

void TForm::RemoveActionList(TActionList* list) {
    FActionLists.erase(std::remove(FActionLists.begin(), FActionLists.end(), list), FActionLists.end());
}

bool TForm::IsShortCut(WORD key, unsigned shift) {
    for (TActionList* list : FActionLists)
        if (list->IsShortCut(key, shift)) return true;
    return false;
}

bool TForm::DialogChar(wchar_t ch) {
    std::vector<TLabel*> labels;
    CollectLabels(this, labels);
    wchar_t up = static_cast<wchar_t>(::towupper(ch));
    for (TLabel* l : labels) {
        if (!l->Showing() || !l->FocusControl() || !l->FocusControl()->Showing()) continue;
        wchar_t acc = l->AcceleratorChar();
        if (acc && static_cast<wchar_t>(::towupper(acc)) == up) {
            l->FocusControl()->SetFocus();
            return true;
        }
    }
    return false;
}

void TForm::UpdateActions() {
    for (TActionList* list : FActionLists) list->UpdateActions();
}

void TForm::Resized() {
    TWinControl::Resized();
}

void TForm::RegisterHint(TControl* control) {
    if (!FToolTip) {
        FToolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     0, 0, 0, 0, Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (!FToolTip) return;
    }
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = Handle();
    ti.uId = reinterpret_cast<UINT_PTR>(control->Handle());
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(FToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    ::SendMessageW(FToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            Close();
            return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->hwndFrom == FToolTip && FToolTip && hdr->code == TTN_GETDISPINFOW) {
                auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
                static std::wstring text;  // must outlive this call
                TControl* c = FromHandle(reinterpret_cast<HWND>(hdr->idFrom));
                text = c && c->ShowHint() ? Widen(c->Hint()) : std::wstring();
                info->lpszText = text.data();
                return 0;
            }
            break;
        }
        case WM_SIZE:
            SyncBoundsFromWindow();
            if (wp != SIZE_MINIMIZED) Resized();
            return 0;
        case WM_MOVE:
            SyncBoundsFromWindow();
            break;
        case 0x02E0:  // WM_DPICHANGED
            ScaleToDpi(LOWORD(wp), reinterpret_cast<RECT*>(lp));
            return 0;
        case WM_SETCURSOR:
            if (HourGlassActive()) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            // Give the focus back to the control that had it (or the active control) on return.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND f = ::GetFocus();
                if (f && ::IsChild(Handle(), f))
                    for (HWND w = f; w && w != Handle(); w = ::GetParent(w))
                        if (TControl* c = FromHandle(w)) {
                            FActiveControl = c;
                            break;
                        }
            } else if (FActiveControl && FActiveControl->Handle()) {
                FActiveControl->SetFocus();
                return 0;
            }
            break;
        default:
            break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
    DestroyComponents();
    if (FUtility) ::DestroyWindow(FUtility);
}

const std::vector<TForm*>& TApplication::Forms() {
    return GForms;
}

void TApplication::Initialize() {
    using TSetContext = BOOL(WINAPI*)(HANDLE);
    auto setContext = reinterpret_cast<TSetContext>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    // Per-monitor aware: the framework scales by each window's DPI instead of being stretched.
    if (!setContext || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))  // PER_MONITOR_AWARE_V2
        ::SetProcessDPIAware();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                             ICC_USEREX_CLASSES | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::OleInitialize(nullptr);
    RegisterFrameworkClasses();
    EnsureUtilityWindow();
}

void TApplication::EnsureUtilityWindow() {
    if (FUtility) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = UtilityProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VsUtility";
    ::RegisterClassExW(&wc);
    FUtility = ::CreateWindowExW(0, L"VsUtility", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

LRESULT CALLBACK TApplication::UtilityProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_VS_DEFERRED) {
            Application->RunDeferred();
            return 0;
        }
        if (msg == WM_VS_RELEASE) {
            auto* form = reinterpret_cast<TForm*>(lp);
            if (std::find(GForms.begin(), GForms.end(), form) != GForms.end()) delete form;
            return 0;
        }
    } catch (...) {
        Application->HandleException();
        return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
}

void TApplication::Run() {
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                FTerminated = true;
                break;
            }
            HandleMessage(msg);
        } else {
            Idle();
            if (!FTerminated) ::WaitMessage();
        }
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the outer loop
            break;
        }
        HandleMessage(msg);
    }
}

void TApplication::Idle() {
    std::vector<TForm*> forms = GForms;
    for (TForm* f : forms) {
        if (std::find(GForms.begin(), GForms.end(), f) == GForms.end()) continue;
        if (!::IsWindowVisible(f->Handle())) continue;
        try {
            f->UpdateActions();
        } catch (...) {
            HandleException(f);
        }
    }
}

void TApplication::Terminate() {
    if (!FTerminated) ::PostQuitMessage(0);
    FTerminated = true;
}

void TApplication::CancelTerminate() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    FTerminated = false;
}

void TApplication::HandleMessage(MSG& msg) {
    try {
        TForm* form = nullptr;
        switch (msg.message) {
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
                form = FormOf(msg.hwnd);
                if (form && ::IsWindowEnabled(form->Handle())) {
                    WORD key = static_cast<WORD>(msg.wParam);
                    unsigned shift = KeyboardShiftState();
                    for (HWND w = msg.hwnd; w; w = ::GetParent(w))
                        if (TControl* c = TControl::FromHandle(w); c && c->OnKeyDown) {
                            c->KeyDown(key, shift);
                            break;
                        }
                    if (key == 0) return;
                    // Shortcuts act whichever control of the form has the focus.
                    if (form->IsShortCut(key, shift)) return;
                    // Tab and Shift+Tab move between the controls that take the focus.
                    if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
                        HWND next = ::GetNextDlgTabItem(form->Handle(), ::GetFocus(), (shift & ssShift) != 0);
                        if (next) {
                            ::SetFocus(next);
                            return;
                        }
                    }
                }
                break;
            case WM_SYSCHAR:
                form = FormOf(msg.hwnd);
                if (form && form->DialogChar(static_cast<wchar_t>(msg.wParam))) return;
                break;
            case WM_CHAR: {
                form = FormOf(msg.hwnd);
                if (!form) break;
                wchar_t key = static_cast<wchar_t>(msg.wParam);
                // Key preview: the form sees the character before the focused control.
                if (form->KeyPreview()) form->KeyPress(key);
                if (key == 0) return;
                for (HWND w = msg.hwnd; w && w != form->Handle(); w = ::GetParent(w))
                    if (TControl* c = TControl::FromHandle(w)) {
                        c->KeyPress(key);
                        break;
                    }
                if (key == 0) return;
                msg.wParam = key;
                break;
            }
            default:
                break;
        }
    } catch (...) {
        HandleException();
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void TApplication::HandleException(TObject*) {
    ShowException(CurrentExceptionMessage());
}

void TApplication::ShowException(const std::string& message) {
    MessageBox(StandardErrorText(message), FTitle, MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (FMessageBoxHook) return FMessageBoxHook(text, caption, flags);
    HWND owner = ::GetActiveWindow();
    if (!owner && FMainForm && ::IsWindowVisible(FMainForm->Handle())) owner = FMainForm->Handle();
    return ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

TMessageBoxHook TApplication::SetMessageBoxHook(TMessageBoxHook hook) {
    std::swap(hook, FMessageBoxHook);
    return hook;
}

void TApplication::EndBusy() {
    if (FBusyCount > 0 && --FBusyCount == 0 && !FDeferred.empty())
        ::PostMessageW(UtilityWindow(), WM_VS_DEFERRED, 0, 0);
}

void TApplication::RunWhenNotBusy(std::function<void()> work) {
    if (!Busy()) {
        work();
        return;
    }
    FDeferred.push_back(std::move(work));
}

void TApplication::RunDeferred() {
    while (!Busy() && !FDeferred.empty()) {
        auto work = std::move(FDeferred.front());
        FDeferred.pop_front();
        try {
            work();
        } catch (...) {
            HandleException();
        }
    }
}
