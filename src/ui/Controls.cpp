#include "ui/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>

#include "platform/FlagScope.h"
#include "ui/Forms.h"

namespace {
const wchar_t* const kObjectProp = L"VsControl";
constexpr UINT_PTR kSubclassId = 0x5653;  // "VS"
}  // namespace

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState MouseShiftState(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;  // mouse messages do not carry Alt
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    return s;
}

namespace {
// The button of a WM_xBUTTONDOWN, WM_xBUTTONUP or WM_xBUTTONDBLCLK message.
TMouseButton ButtonOf(UINT msg) {
    switch (msg) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return TMouseButton::mbRight;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            return TMouseButton::mbMiddle;
        default:
            return TMouseButton::mbLeft;
    }
}
}  // namespace

HCURSOR CursorHandle(TCursor cursor) {
    const wchar_t* id = IDC_ARROW;
    switch (cursor) {
        case crHandPoint:
            id = IDC_HAND;
            break;
        case crSizeWE:
            id = IDC_SIZEWE;
            break;
        case crSizeNS:
            id = IDC_SIZENS;
            break;
        case crHourGlass:
            id = IDC_WAIT;
            break;
        case crIBeam:
            id = IDC_IBEAM;
            break;
        default:
            break;
    }
    return ::LoadCursorW(nullptr, id);
}

void RegisterFrameworkClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TControl::StaticWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VsControl";
    ::RegisterClassExW(&wc);
    // Forms: redrawn whole on resize so that painted captions and bevels follow the size.
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpszClassName = L"VsForm";
    wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
    ::RegisterClassExW(&wc);
}

// ---------------------------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner, TWinControl* parent) : TComponent(owner), FParent(parent) {
    if (FParent) {
        FParent->InsertControl(this);
        FFont = FParent->FFont;
        FColor = FParent->FColor;
    }
}

TControl::~TControl() {
    if (FHandle) {
        HWND wnd = FHandle;
        // Detach first so that no message reaches the half-destroyed object.
        ::RemovePropW(wnd, kObjectProp);
        if (FSubclassed)
            ::RemoveWindowSubclass(wnd, SubclassProc, kSubclassId);
        else
            ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        FHandle = nullptr;
        ::DestroyWindow(wnd);
    }
    if (FParent) FParent->RemoveControl(this);
}

TControl* TControl::FromHandle(HWND wnd) {
    return wnd ? static_cast<TControl*>(::GetPropW(wnd, kObjectProp)) : nullptr;
}

namespace {
// The window being created for an object, bound by the creation hook at the window's birth.
struct TCreation {
    TControl* Control;
    HWND Parent;
    UINT_PTR Id;
};
TCreation* GCreating = nullptr;
HHOOK GCreationHook = nullptr;
int GCreationDepth = 0;
unsigned GNextControlId = 1000;
constexpr unsigned kFirstControlId = 1000, kLastControlId = 0xFFFF;  // WM_COMMAND carries 16 bits
}  // namespace

// HCBT_CREATEWND comes before any message of the new window, so the object is bound before
// WM_NCCREATE and WM_CREATE, and before a combo box asks its parent for item heights.
LRESULT CALLBACK TControl::CreationHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && GCreating) {
        // Only the window asked for: not one the system makes on the side (an input method window),
        // nor those made during this creation (a combo box's edit field).
        const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
        if (cs->hwndParent == GCreating->Parent && reinterpret_cast<UINT_PTR>(cs->hMenu) == GCreating->Id) {
            TControl* c = GCreating->Control;
            GCreating = nullptr;
            c->Attach(reinterpret_cast<HWND>(wp));
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

void TControl::Attach(HWND wnd) {
    FHandle = wnd;
    ::SetPropW(wnd, kObjectProp, this);
    if (FOwnClass) {
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    } else {
        ::SetWindowSubclass(wnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        FSubclassed = true;
    }
}

HWND TControl::CreateBoundWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x,
                                 int y, int width, int height, HWND parent, UINT_PTR id) {
    RegisterFrameworkClasses();
    FOwnClass = wcscmp(className, L"VsControl") == 0 || wcscmp(className, L"VsForm") == 0;
    if (GCreationDepth++ == 0)
        GCreationHook = ::SetWindowsHookExW(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
    TCreation creation{this, parent, id};
    TCreation* outer = GCreating;
    GCreating = &creation;
    HWND wnd = ::CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(id), ::GetModuleHandleW(nullptr), FOwnClass ? this : nullptr);
    GCreating = outer;
    if (--GCreationDepth == 0) {
        ::UnhookWindowsHookEx(GCreationHook);
        GCreationHook = nullptr;
    }
    if (!wnd) throw Exception("Error creating window");
    if (!FHandle) Attach(wnd);  // no hook (should not happen): bind late rather than not at all
    return wnd;
}

void TControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, const wchar_t* text) {
    HWND parentWnd = FParent ? FParent->Handle() : nullptr;
    if (FParent) {
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        // A control ID no sibling has: WM_MEASUREITEM names the control by it alone.
        auto taken = [&](unsigned id) {
            for (TControl* c : FParent->FControls)
                if (c != this && c->FControlId == static_cast<int>(id)) return true;
            return parentWnd && ::GetDlgItem(parentWnd, static_cast<int>(id)) != nullptr;
        };
        for (unsigned tries = 0; tries <= kLastControlId - kFirstControlId; ++tries) {
            unsigned id = GNextControlId;
            GNextControlId = GNextControlId >= kLastControlId ? kFirstControlId : GNextControlId + 1;
            if (!taken(id)) {
                FControlId = static_cast<int>(id);
                break;
            }
        }
    }
    if (FVisible && FParent) style |= WS_VISIBLE;
    CreateBoundWindow(exStyle, className, text, style, FLeft, FTop, FWidth, FHeight, parentWnd,
                      FParent ? static_cast<UINT_PTR>(FControlId) : 0);
    if (FParent) ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
}

LRESULT CALLBACK TControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE && !::GetWindowLongPtrW(wnd, GWLP_USERDATA)) {
        // Bound already by the creation hook; this serves a window made without it.
        if (auto* self = static_cast<TControl*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)) {
            self->FOwnClass = true;
            self->Attach(wnd);
        }
    }
    auto* self = reinterpret_cast<TControl*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(wnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(wnd, kObjectProp);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        return ::DefWindowProcW(wnd, msg, wp, lp);
    }
    return self->SafeWndProc(msg, wp, lp);
}

LRESULT CALLBACK TControl::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TControl*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(wnd, SubclassProc, kSubclassId);
        ::RemovePropW(wnd, kObjectProp);
        self->FHandle = nullptr;
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }
    return self->SafeWndProc(msg, wp, lp);
}

// No exception crosses the window procedure: it goes to the standard error report.
LRESULT TControl::SafeWndProc(UINT msg, WPARAM wp, LPARAM lp) {
    try {
        return WndProc(msg, wp, lp);
    } catch (...) {
        Application->HandleException(this);
        return 0;
    }
}

LRESULT TControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
    return FSubclassed ? ::DefSubclassProc(FHandle, msg, wp, lp) : ::DefWindowProcW(FHandle, msg, wp, lp);
}

LRESULT TControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            if (CustomPainted()) {
                // Painting happens off screen in WM_PAINT; this serves children that ask their
                // parent for the background.
                RECT rc;
                ::GetClientRect(FHandle, &rc);
                TCanvas canvas(reinterpret_cast<HDC>(wp), Dpi());
                canvas.FillRect(rc, EffectiveColor());
                return 1;
            }
            break;
        case WM_PAINT:
            if (CustomPainted()) {
                PaintBuffered();
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (CustomPainted()) {
                RECT rc;
                ::GetClientRect(FHandle, &rc);
                HDC dc = reinterpret_cast<HDC>(wp);
                TCanvas canvas(dc, Dpi());
                canvas.FillRect(rc, EffectiveColor());
                Paint(canvas);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == FHandle && FCursor != crDefault) {
                ::SetCursor(CursorHandle(FCursor));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (lp) {
                if (TControl* c = FromHandle(reinterpret_cast<HWND>(lp)); c && c != this) {
                    LRESULT result = 0;
                    if (c->HandleCommand(HIWORD(wp), LOWORD(wp), result)) return result;
                }
            }
            break;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (TControl* c = FromHandle(hdr->hwndFrom); c && c != this) {
                LRESULT result = 0;
                if (c->HandleNotify(hdr, result)) return result;
            }
            break;
        }
        case WM_CONTEXTMENU:
            if (OnContextPopup && reinterpret_cast<HWND>(wp) == FHandle) {
                bool handled = false;
                OnContextPopup(this, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, handled);
                if (handled) return 0;
            }
            break;
        // Mouse events. The default handling follows: common controls select, drag and open as
        // usual, and a right button release still becomes WM_CONTEXTMENU.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            MouseDown(ButtonOf(msg), MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (msg == WM_LBUTTONDBLCLK && CustomPainted()) DblClick();
            MouseDown(ButtonOf(msg), MouseShiftState(wp) | ssDouble, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            MouseUp(ButtonOf(msg), MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;
        case WM_MOUSEMOVE:
            MouseMove(MouseShiftState(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            break;
        default:
            break;
    }
    return DefaultHandler(msg, wp, lp);
}

void TControl::PaintBuffered() {
    TPaintDc paint(FHandle);
    HDC dc = paint.Get();
    RECT rc;
    ::GetClientRect(FHandle, &rc);
    if (!FDoubleBuffered) {
        TCanvas canvas(dc, Dpi());
        canvas.FillRect(rc, EffectiveColor());
        Paint(canvas);
    } else if (rc.right > 0 && rc.bottom > 0) {
        // Drawn off screen and copied in one step, so nothing flickers.
        TMemDc mem(::CreateCompatibleDC(dc));
        TBitmapHandle bmp(::CreateCompatibleBitmap(dc, rc.right, rc.bottom));
        {
            TSelectObject sel(mem.Get(), bmp.Get());
            {
                TCanvas canvas(mem.Get(), Dpi());
                canvas.FillRect(rc, EffectiveColor());
                Paint(canvas);
            }
            ::BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, SRCCOPY);
        }
    }
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

int TControl::Dpi() const {
    TForm* f = ParentForm();
    return f ? f->FDpi : 96;
}

int TControl::ClientWidth() const {
    RECT rc{};
    if (FHandle) ::GetClientRect(FHandle, &rc);
    return FHandle ? rc.right : FWidth;
}

int TControl::ClientHeight() const {
    RECT rc{};
    if (FHandle) ::GetClientRect(FHandle, &rc);
    return FHandle ? rc.bottom : FHeight;
}

void TControl::MoveWindow() {
    if (FHandle && FParent)
        ::SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, WindowHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    bool sized = width != FWidth || height != FHeight;
    bool moved = left != FLeft || top != FTop;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (moved || sized) MoveWindow();
    bool byLayout = FParent && FParent->FAligning;
    if (!byLayout) {
        UpdateAnchorRules();
        if (FAlign != alNone) RequestParentRealign();
    }
    if (sized) Resized();
}

void TControl::SetMinSize(int width, int height) {
    FMinWidth = width;
    FMinHeight = height;
}

void TControl::UpdateAnchorRules() {
    if (!FParent) return;
    RECT r = FParent->AlignRect();
    FAnchorRight = r.right - (FLeft + FWidth);
    FAnchorBottom = r.bottom - (FTop + FHeight);
}

void TControl::ApplyAnchors(int right, int bottom) {
    int l = FLeft, t = FTop, w = FWidth, h = FHeight;
    if (FAnchors & akRight) {
        if (FAnchors & akLeft)
            w = right - FAnchorRight - l;
        else
            l = right - FAnchorRight - w;
    }
    if (FAnchors & akBottom) {
        if (FAnchors & akTop)
            h = bottom - FAnchorBottom - t;
        else
            t = bottom - FAnchorBottom - h;
    }
    SetBounds(l, t, w, h);
}

void TControl::RequestParentRealign() {
    if (FParent) FParent->Realign();
}

void TControl::Resized() {
    TForm* f = ParentForm();
    if (OnResize && !(f && f->Destroying())) OnResize(this);
}

void TControl::SetAlign(TAlign align) {
    if (align == FAlign) return;
    FAlign = align;
    if (FAlign == alNone) UpdateAnchorRules();
    RequestParentRealign();
}

void TControl::SetAnchors(TAnchors anchors) {
    if (anchors == FAnchors) return;
    FAnchors = anchors;
    UpdateAnchorRules();
}

void TControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    if (FHandle && FParent) ::ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
    if (FAlign != alNone) RequestParentRealign();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    if (FHandle) ::EnableWindow(FHandle, enabled);
    Invalidate();
}

void TControl::SetFont(const TFont& font) {
    if (font == FFont && !FParentFont) return;
    FFont = font;
    FParentFont = false;
    FFontHandle.Reset();
    FontChanged();
}

HFONT TControl::FontHandle() {
    int dpi = Dpi();
    if (!FFontHandle || FFontDpi != dpi) {
        FFontHandle = FFont.Create(dpi);
        FFontDpi = dpi;
    }
    return FFontHandle.Get();
}

void TControl::FontChanged() {
    if (FHandle && FSubclassed) ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    Invalidate();
}

void TControl::SetColor(TColor color) {
    if (color == FColor && !FParentColor) return;
    FColor = color;
    FParentColor = false;
    Invalidate();
}

TColor TControl::EffectiveColor() const {
    if (FParentColor && FParent) return FParent->EffectiveColor();
    return FColor;
}

void TControl::SetCaption(const std::string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    Invalidate();
}

void TControl::SetHint(const std::string& hint) {
    if (hint == FHint) return;
    FHint = hint;
    if (TForm* f = ParentForm(); f && f != this && FHandle) f->RegisterHint(this);
}

void TControl::SetFocus() {
    if (FHandle) ::SetFocus(FHandle);
}

bool TControl::Focused() const {
    HWND f = ::GetFocus();
    return FHandle && f && (f == FHandle || ::IsChild(FHandle, f));
}

void TControl::Invalidate() {
    if (FHandle) ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TControl::Repaint() {
    if (FHandle) ::RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TControl::BringToFront() {
    if (!FParent) return;
    auto& list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (FHandle) ::SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RequestParentRealign();
}

void TControl::KeyPress(wchar_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TControl::KeyDown(WORD& key, unsigned shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::ChangeScale(int newDpi, int oldDpi) {
    auto s = [&](int v) { return ::MulDiv(v, newDpi, oldDpi); };
    FLeft = s(FLeft);
    FTop = s(FTop);
    FWidth = s(FWidth);
    FHeight = s(FHeight);
    FMinWidth = s(FMinWidth);
    FMinHeight = s(FMinHeight);
    FAnchorRight = s(FAnchorRight);
    FAnchorBottom = s(FAnchorBottom);
    MoveWindow();
    FFontHandle.Reset();
    FontChanged();
}

// ---------------------------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}

TWinControl::~TWinControl() {
    // Children owned elsewhere outlive their parent window only as orphans.
    for (TControl* c : FControls) c->FParent = nullptr;
    FControls.clear();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(FControls.begin(), FControls.end(), c);
    if (it != FControls.end()) FControls.erase(it);
    Realign();
}

RECT TWinControl::AlignRect() const {
    RECT r{0, 0, ClientWidth(), ClientHeight()};
    return r;
}

void TWinControl::EnableAlign() {
    if (--FAlignLock == 0 && FAlignPending) Realign();
}

void TWinControl::EnableAlignReporting() noexcept {
    try {
        EnableAlign();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TWinControl::Realign() {
    if (TForm* f = ParentForm(); f && f->Destroying()) return;
    if (FAlignLock > 0 || !Handle()) {
        FAlignPending = true;
        return;
    }
    if (FAligning) return;
    FAlignPending = false;
    TFlagScope aligning(FAligning);
    // A control whose resize handler fails still gets its place, and so do the ones after it; the
    // first error goes on to the caller once the pass is complete.
    std::exception_ptr firstError;
    auto place = [&](TControl* c, int l, int t, int w, int h) {
        try {
            c->SetBounds(l, t, w, h);
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
        }
    };
    RECT r = AlignRect();
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign kind : order) {
        for (TControl* c : FControls) {
            if (!c->FVisible || c->FAlign != kind) continue;
            int w = std::max<int>(0, r.right - r.left), h = std::max<int>(0, r.bottom - r.top);
            switch (kind) {
                case alTop:
                    place(c, r.left, r.top, w, c->FHeight);
                    r.top += c->FHeight;
                    break;
                case alBottom:
                    place(c, r.left, r.bottom - c->FHeight, w, c->FHeight);
                    r.bottom -= c->FHeight;
                    break;
                case alLeft:
                    place(c, r.left, r.top, c->FWidth, h);
                    r.left += c->FWidth;
                    break;
                case alRight:
                    place(c, r.right - c->FWidth, r.top, c->FWidth, h);
                    r.right -= c->FWidth;
                    break;
                default:
                    place(c, r.left, r.top, w, h);
                    break;
            }
        }
    }
    RECT whole = AlignRect();
    for (TControl* c : FControls) {
        if (c->FAlign != alNone || !(c->FAnchors & (akRight | akBottom))) continue;
        try {
            c->ApplyAnchors(whole.right, whole.bottom);
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
        }
    }
    if (firstError) std::rethrow_exception(firstError);
}

void TWinControl::Resized() {
    Realign();
    TControl::Resized();
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (TControl* c : FControls)
        if (c->FParentFont) {
            c->FFont = Font();
            c->FFontHandle.Reset();
            c->FontChanged();
        }
}

void TWinControl::ChangeScale(int newDpi, int oldDpi) {
    TAlignLock lock(this);
    TControl::ChangeScale(newDpi, oldDpi);
    for (TControl* c : FControls) c->ChangeScale(newDpi, oldDpi);
    FAlignPending = true;
}

TControl* TWinControl::FindChildById(int id) const {
    if (id == 0) return nullptr;
    for (TControl* c : FControls)
        if (c->FControlId == id) return c;
    return nullptr;
}

TControl* TWinControl::FindChildOf(HWND wnd) const {
    for (HWND w = wnd; w && w != Handle(); w = ::GetParent(w))
        if (TControl* c = FromHandle(w)) return c->FParent == this ? c : nullptr;
    return nullptr;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (item->CtlType != ODT_MENU)
                if (TControl* c = FindChildById(static_cast<int>(item->CtlID)); c && c->HandleMeasureItem(*item))
                    return TRUE;
            break;
        }
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (item->CtlType != ODT_MENU)
                if (TControl* c = FindChildOf(item->hwndItem); c && c->HandleDrawItem(*item)) return TRUE;
            break;
        }
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            HWND from = reinterpret_cast<HWND>(lp);
            LRESULT result = 0;
            if (TControl* c = FindChildOf(from); c && c->HandleCtlColor(msg, reinterpret_cast<HDC>(wp), from, result))
                return result;
            break;
        }
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}
