#pragma once
// Controls: windows owned by objects, laid out by alignment and anchors, scaled by DPI.
//
// Every control owns its window (created in the concrete class's constructor, destroyed with the
// object). Bounds are pixels at the control's current DPI; component trees are built with design
// sizes at 96 DPI and the form scales them once after construction (TForm::AfterConstruction).
// One window procedure serves all our own window classes; common controls are subclassed so that
// their messages reach the object too. The object of any window is found with TControl::FromHandle.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "platform/ShiftState.h"
#include "ui/Graphics.h"

class TWinControl;
class TForm;
class TAction;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TCursor { crDefault, crArrow, crHandPoint, crSizeWE, crSizeNS, crHourGlass, crIBeam };

using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, unsigned Shift)>;
// Mouse events: position in the control's client pixels (negative or beyond its size while the
// mouse is captured); Shift holds the modifier keys and the buttons down during the event.
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The modifier keys held now, from the thread's keyboard state.
TShiftState KeyboardShiftState();
// The shift state of a mouse message: its MK_ key flags, with Alt from the keyboard state.
TShiftState MouseShiftState(WPARAM keys);

// Loads a system cursor for a TCursor value.
HCURSOR CursorHandle(TCursor cursor);

class TControl : public TComponent {
public:
    TControl(TComponent* owner, TWinControl* parent);
    ~TControl() override;

    // The object behind a window of ours (or a subclassed common control), or null.
    static TControl* FromHandle(HWND wnd);

    HWND Handle() const { return FHandle; }
    TWinControl* Parent() const { return FParent; }
    // The form this control lies on (itself for a form).
    TForm* ParentForm() const;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;
    // Minimum sizes (pixels) that layout and splitters respect; 0 = none.
    int MinWidth() const { return FMinWidth; }
    int MinHeight() const { return FMinHeight; }
    void SetMinSize(int width, int height);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors anchors);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);

    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    // The GDI font for the current DPI (made on first use, owned by the control).
    HFONT FontHandle();
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    // The colour the control paints its background with (its own, or its parent's).
    TColor EffectiveColor() const;

    const std::string& Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& caption);
    const std::string& Hint() const { return FHint; }
    virtual void SetHint(const std::string& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool show) { FShowHint = show; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor) { FCursor = cursor; }

    // DPI of the control's form; sizes in the tree are pixels at this DPI.
    int Dpi() const;
    // A design size (96 DPI) in pixels at the current DPI.
    int Scale(int designValue) const { return ScaleForDpi(designValue, Dpi()); }

    void SetFocus();
    bool Focused() const;
    virtual bool CanFocus() const { return false; }
    void Invalidate();
    void Repaint();
    // Moves the control to the end of its parent's layout order (what creation order would give).
    void BringToFront();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    // A button pressed (the second press of a double click carries ssDouble), released, or the
    // mouse moved over the control.
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyDown;
    // Right click or the menu key: screen point (-1, -1 from the keyboard); Handled = true stops
    // the system's own menu.
    std::function<void(TObject* Sender, POINT At, bool& Handled)> OnContextPopup;

    // Raised by the message loop for a character typed while this control (or a window inside it)
    // has the focus; Key = 0 swallows the character.
    virtual void KeyPress(wchar_t& key);
    virtual void KeyDown(WORD& key, unsigned shift);
    virtual void Click();

    // Forwarded by the parent: WM_COMMAND and WM_NOTIFY that this control sent. Return true when
    // handled and put the answer in result.
    virtual bool HandleCommand(WORD code, WORD id, LRESULT& result) { return false; }
    virtual bool HandleNotify(NMHDR* header, LRESULT& result) { return false; }
    // Forwarded by the parent for owner-drawn controls: WM_MEASUREITEM (found by the control ID, as
    // it may come while the window is being created) and WM_DRAWITEM. Return true when handled.
    virtual bool HandleMeasureItem(MEASUREITEMSTRUCT& item) { return false; }
    virtual bool HandleDrawItem(const DRAWITEMSTRUCT& item) { return false; }
    // Forwarded by the parent: WM_CTLCOLOR* from this control or a window inside it (the edit field
    // of a combo box). Return true and put the brush in result to set the colours.
    virtual bool HandleCtlColor(UINT msg, HDC dc, HWND from, LRESULT& result) { return false; }

    // The child window's control ID, unique among its siblings (0 for forms).
    int ControlId() const { return FControlId; }

    // Rescales bounds, anchors and minimum sizes from one DPI to another (children first is the
    // container's job); the font follows the new DPI on its own.
    virtual void ChangeScale(int newDpi, int oldDpi);

protected:
    // Creates the window. Own classes ("VsControl") route every message to WndProc; for a system
    // class (common controls) the window is subclassed so that WndProc sees messages first.
    void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle = 0, const wchar_t* text = L"");
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);
    // Custom painting of our own classes, into an off-screen bitmap of the client size (or straight
    // onto the window when DoubleBuffered is off), after the background is filled.
    virtual void Paint(TCanvas& canvas) {}
    bool CustomPainted() const { return !FSubclassed; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool on) { FDoubleBuffered = on; }
    // Mouse input, raised from the window's mouse messages; they raise the On... events.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void DblClick();
    virtual void FontChanged();
    virtual void Resized();
    // Where anchored controls measure their right and bottom distances from.
    void UpdateAnchorRules();
    void ApplyAnchors(int parentWidth, int parentHeight);
    void MoveWindow();
    // The height given to the system window (a combo box adds its drop-down list).
    virtual int WindowHeight() const { return FHeight; }
    void RequestParentRealign();

    bool FParentColor = true;
    bool FParentFont = true;

private:
    friend class TWinControl;
    friend class TForm;
    friend void RegisterFrameworkClasses();
    // Creates a window already bound to this object: the object sees every message from the first
    // (WM_NCCREATE, WM_CREATE) on, and its parent finds it during creation.
    HWND CreateBoundWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                           int width, int height, HWND parent, UINT_PTR id);
    void Attach(HWND wnd);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    LRESULT SafeWndProc(UINT msg, WPARAM wp, LPARAM lp);
    void PaintBuffered();

    HWND FHandle = nullptr;
    bool FSubclassed = false;
    bool FOwnClass = false;
    int FControlId = 0;
    TWinControl* FParent;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    int FMinWidth = 0, FMinHeight = 0;
    int FAnchorRight = 0, FAnchorBottom = 0;  // distances kept by akRight / akBottom
    TAlign FAlign = alNone;
    TAnchors FAnchors = akLeft | akTop;
    bool FVisible = true;
    bool FEnabled = true;
    TFont FFont;
    TFontHandle FFontHandle;
    int FFontDpi = 0;
    TColor FColor = clBtnFace;
    std::string FCaption;
    std::string FHint;
    bool FShowHint = true;
    TCursor FCursor = crDefault;
    bool FDoubleBuffered = true;
};

// A control that holds others and lays them out.
class TWinControl : public TControl {
public:
    TWinControl(TComponent* owner, TWinControl* parent);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(index); }

    // Lays out the children: top, bottom, left, right, then client, each kind in creation order;
    // then anchored controls keep their distances. Hidden controls take no room.
    void Realign();
    // Client rectangle less borders (panels subtract their bevels).
    virtual RECT AlignRect() const;
    // Postpones layout while a batch of changes is made; the last EnableAlign lays out once.
    void DisableAlign() { ++FAlignLock; }
    void EnableAlign();
    // The same for destructors and other places that must not throw: an error of the layout (a
    // failing resize handler) goes to the standard error report instead.
    void EnableAlignReporting() noexcept;

    void ChangeScale(int newDpi, int oldDpi) override;
    bool CanFocus() const override { return true; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void Resized() override;
    void FontChanged() override;

private:
    friend class TControl;
    void InsertControl(TControl* c) { FControls.push_back(c); }
    void RemoveControl(TControl* c);
    TControl* FindChildById(int id) const;
    // The child object a window belongs to (the window itself or one of its parents), or null.
    TControl* FindChildOf(HWND wnd) const;

    std::vector<TControl*> FControls;
    int FAlignLock = 0;
    bool FAlignPending = false;
    bool FAligning = false;
};

// Keeps a container from laying out until the scope ends.
class TAlignLock {
public:
    explicit TAlignLock(TWinControl* c) : FControl(c) { FControl->DisableAlign(); }
    ~TAlignLock() { FControl->EnableAlignReporting(); }
    TAlignLock(const TAlignLock&) = delete;
    TAlignLock& operator=(const TAlignLock&) = delete;

private:
    TWinControl* FControl;
};

// The BeginPaint and EndPaint pair of one WM_PAINT: EndPaint runs on every way out, so a painting
// error neither keeps the display context nor leaves the caret hidden.
class TPaintDc {
public:
    explicit TPaintDc(HWND wnd) : FWnd(wnd) { FDc = ::BeginPaint(wnd, &FPs); }
    ~TPaintDc() { ::EndPaint(FWnd, &FPs); }
    TPaintDc(const TPaintDc&) = delete;
    TPaintDc& operator=(const TPaintDc&) = delete;
    HDC Get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
    PAINTSTRUCT FPs{};
};

// Registers the "VsControl" and "VsForm" window classes once.
void RegisterFrameworkClasses();
