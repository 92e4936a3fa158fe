#pragma once
// Labels, panels, splitters, speed buttons, combo boxes and timers.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ActnList.h"
#include "ui/Controls.h"

class TImageList;

// Static text. With AutoSize (the default) the label takes the size of its text; with WordWrap the
// text breaks at the label's width and the height follows. "&X" in the caption underlines X, and
// Alt+X focuses FocusControl.
class TLabel : public TControl {
public:
    TLabel(TComponent* owner, TWinControl* parent);

    void SetCaption(const std::string& caption) override;
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool on);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool on);
    // A long path loses its middle ("C:\Users\...\file.txt") to fit the label's width.
    void SetPathEllipsis(bool on);
    TControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TControl* c) { FFocusControl = c; }
    // The accelerator character of the caption ("&S" gives 'S'), or 0.
    wchar_t AcceleratorChar() const;
    void ChangeScale(int newDpi, int oldDpi) override;

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void FontChanged() override;

private:
    void AdjustSize();
    unsigned DrawFlags() const;

    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FPathEllipsis = false;
    TAlignment FAlignment = taLeftJustify;
    TControl* FFocusControl = nullptr;
};

// A push button: OnClick (inherited) runs when it is clicked or pressed with Space or Enter.
class TButton : public TWinControl {
public:
    TButton(TComponent* owner, TWinControl* parent);
    void SetCaption(const std::string& caption) override;
    bool CanFocus() const override { return Enabled() && Visible(); }
    bool HandleCommand(WORD code, WORD id, LRESULT& result) override;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A container with optional bevels and a caption.
class TPanel : public TWinControl {
public:
    TPanel(TComponent* owner, TWinControl* parent);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelOuter(TBevelCut b);
    void SetBevelInner(TBevelCut b);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a);
    RECT AlignRect() const override;

protected:
    void Paint(TCanvas& canvas) override;

private:
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    TAlignment FAlignment = taCenter;
};

// A bar that resizes the control before it (on its side of the alignment) when dragged.
class TSplitter : public TControl {
public:
    TSplitter(TComponent* owner, TWinControl* parent, TAlign align);

    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool on);
    int MinSize() const { return FMinSize; }
    void SetMinSize(int size) { FMinSize = size; }
    // The control the splitter resizes now, or null.
    TControl* FindNeighbour() const;
    // Drags the splitter by delta pixels, as the mouse does; returns the neighbour's new size.
    int DragBy(int delta);
    void ChangeScale(int newDpi, int oldDpi) override;

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool Horizontal() const { return Align() == alTop || Align() == alBottom; }

    bool FBeveled = false;
    int FMinSize = 30;
    bool FDragging = false;
    POINT FDragStart{};
    int FStartSize = 0;
    TControl* FDragNeighbour = nullptr;
};

// A flat button that draws a glyph (and its caption, if any). Bound to an action, it takes the
// action's caption, hint and image, and runs the action when clicked.
class TSpeedButton : public TControl, private TActionClient {
public:
    TSpeedButton(TComponent* owner, TWinControl* parent);
    ~TSpeedButton() override;

    TAction* Action() const { return FAction; }
    void SetAction(TAction* action);
    // Images to draw the glyph from (an action's list images by default) and the index in them.
    void SetImages(TImageList* images) { FImages = images; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    bool Flat() const { return FFlat; }
    void SetFlat(bool on) { FFlat = on; }
    void Click() override;

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void ActionChanged(TAction* action) override;

    TAction* FAction = nullptr;
    TImageList* FImages = nullptr;
    int FImageIndex = -1;
    bool FFlat = true;
    bool FHot = false;
    bool FPressed = false;
};

enum TComboBoxStyle {
    csDropDown,           // an edit field with a drop-down list
    csDropDownList,       // a drop-down list only; the field shows the chosen item
    csOwnerDrawFixed,     // a drop-down list whose items the control draws, all of one height
    csOwnerDrawVariable,  // the same, each item measured on its own
};

// Item state bits passed to DrawItem.
enum TOwnerDrawStateBits : unsigned { odSelected = 1, odFocused = 2, odDisabled = 4, odComboBoxEdit = 8 };

class TComboBox;
// Height: in the height the system proposes, out the item's height (pixels).
using TMeasureItemEvent = std::function<void(TComboBox* Sender, int Index, int& Height)>;
// Draws item Index (-1: the field of an empty box) into Rect; State holds TOwnerDrawStateBits.
using TDrawItemEvent =
    std::function<void(TComboBox* Sender, int Index, const RECT& Rect, unsigned State, TCanvas& Canvas)>;

// A combo box: an editable text field with a drop-down list of items by default. Owner-drawn styles
// draw their items through DrawItem (OnDrawItem, or the item text) and size them through
// MeasureItem (OnMeasureItem, or ItemHeight). The items keep their texts in every style.
class TComboBox : public TWinControl {
public:
    TComboBox(TComponent* owner, TWinControl* parent, TComboBoxStyle style = csDropDown);

    TComboBoxStyle Style() const { return FStyle; }
    int Count() const;
    std::string Items(int index) const;
    std::vector<std::string> AllItems() const;
    void Clear();  // removes the items; the text in the edit field stays
    int Add(const std::string& text);
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string Text() const;
    void SetText(const std::string& text);
    void SetDropDownCount(int rows);
    bool DroppedDown() const;
    void SetDroppedDown(bool down);
    // Height of the list's items in pixels (of item 0 for variable heights).
    int ItemHeight() const;
    void SetItemHeight(int height);
    void SetBounds(int left, int top, int width, int height) override;

    TNotifyEvent OnChange;  // the text was edited
    // OnClick (inherited): an item was chosen from the list; Text already holds it.
    TMeasureItemEvent OnMeasureItem;
    TDrawItemEvent OnDrawItem;

    bool HandleCommand(WORD code, WORD id, LRESULT& result) override;
    bool HandleMeasureItem(MEASUREITEMSTRUCT& item) override;
    bool HandleDrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    // For derived boxes that measure and draw through their own overrides: the window is made by
    // CreateWnd, which the derived constructor calls last, so that the measuring the system does
    // while it creates the window already reaches the derived class.
    struct TDeferCreate {};
    TComboBox(TComponent* owner, TWinControl* parent, TComboBoxStyle style, TDeferCreate);
    void CreateWnd();

    // Index -1 with odComboBoxEdit measures the field. The default keeps the proposed height, or
    // ItemHeight once set, and then asks OnMeasureItem.
    virtual void MeasureItem(int index, int& height);
    // The default calls OnDrawItem, or fills the background and draws the item text.
    virtual void DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas);
    int WindowHeight() const override;

private:
    TComboBoxStyle FStyle;
    int FDropDownCount = 8;
    int FItemHeight = 0;  // 0: the system's
};

// Calls OnTimer every Interval milliseconds while enabled. A one-shot timer disables itself just
// before it calls OnTimer.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on);
    bool OneShot() const { return FOneShot; }
    void SetOneShot(bool on) { FOneShot = on; }
    // Starts the interval again from now.
    void Restart();

    TNotifyEvent OnTimer;

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
    void Start();
    void Stop();

    unsigned FInterval = 1000;
    bool FEnabled = false;
    bool FOneShot = false;
    UINT_PTR FId = 0;
};
