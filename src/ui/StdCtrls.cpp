#include "ui/StdCtrls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>

#include "platform/WinText.h"
#include "ui/Forms.h"
#include "ui/ImageList.h"

// ---------------------------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetBounds(0, 0, 40, 13);
    CreateHandle(L"VsControl", 0);
}

void TLabel::SetCaption(const std::string& caption) {
    if (caption == Caption()) return;
    TControl::SetCaption(caption);
    AdjustSize();
}

void TLabel::SetAutoSize(bool on) {
    if (on == FAutoSize) return;
    FAutoSize = on;
    AdjustSize();
}

void TLabel::SetWordWrap(bool on) {
    if (on == FWordWrap) return;
    FWordWrap = on;
    AdjustSize();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment a) {
    if (a == FAlignment) return;
    FAlignment = a;
    Invalidate();
}

void TLabel::SetTransparent(bool on) {
    if (on == FTransparent) return;
    FTransparent = on;
    Invalidate();
}

void TLabel::FontChanged() {
    TControl::FontChanged();
    AdjustSize();
}

void TLabel::ChangeScale(int newDpi, int oldDpi) {
    TControl::ChangeScale(newDpi, oldDpi);
    AdjustSize();
}

wchar_t TLabel::AcceleratorChar() const {
    std::wstring w = Widen(Caption());
    for (size_t i = 0; i + 1 < w.size(); ++i) {
        if (w[i] != L'&') continue;
        if (w[i + 1] == L'&') {
            ++i;
            continue;
        }
        return w[i + 1];
    }
    return 0;
}

unsigned TLabel::DrawFlags() const {
    unsigned flags = FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    if (FPathEllipsis) flags |= DT_PATH_ELLIPSIS | DT_NOPREFIX;
    return flags;
}

void TLabel::AdjustSize() {
    if (!FAutoSize || !Handle()) return;
    TWindowDc dc(Handle());
    TSelectObject sel(dc.Get(), FontHandle());
    std::wstring w = Widen(Caption().empty() ? std::string(" ") : Caption());
    RECT r{0, 0, FWordWrap ? std::max(Width(), 1) : 0, 0};
    ::DrawTextW(dc.Get(), w.c_str(), static_cast<int>(w.size()), &r, DrawFlags() | DT_CALCRECT);
    if (FWordWrap)
        SetBounds(Left(), Top(), Width(), r.bottom);
    else
        SetBounds(Left(), Top(), r.right, r.bottom);
}

void TLabel::Paint(TCanvas& canvas) {
    RECT r{0, 0, Width(), Height()};
    if (FTransparent) {
        // Show what the parent paints behind the label.
        if (Parent() && Parent()->Handle()) {
            POINT p{Left(), Top()};
            HDC dc = canvas.Handle();
            POINT old;
            ::SetWindowOrgEx(dc, p.x, p.y, &old);
            ::SendMessageW(Parent()->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            ::SetWindowOrgEx(dc, old.x, old.y, nullptr);
        }
    }
    HDC dc = canvas.Handle();
    TSelectObject sel(dc, FontHandle());
    canvas.SetTextColor(Enabled() ? Font().Color : clGray);
    canvas.TextRect(r, Caption(), DrawFlags());
}

LRESULT TLabel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCHITTEST && !OnClick && !OnDblClick && Hint().empty()) return HTTRANSPARENT;
    if (msg == WM_LBUTTONUP && OnClick) {
        Click();
        return 0;
    }
    return TControl::WndProc(msg, wp, lp);
}

void TLabel::SetPathEllipsis(bool on) {
    if (FPathEllipsis == on) return;
    FPathEllipsis = on;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent) {
    SetBounds(0, 0, 75, 23);
    CreateHandle(WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP);
}

void TButton::SetCaption(const std::string& caption) {
    TWinControl::SetCaption(caption);
    if (Handle()) ::SetWindowTextW(Handle(), Widen(caption).c_str());
}

bool TButton::HandleCommand(WORD code, WORD, LRESULT& result) {
    if (code != BN_CLICKED) return false;
    result = 0;
    Click();
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// TPanel

TPanel::TPanel(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent) {
    SetBounds(0, 0, 185, 41);
    // Tab moves through the controls inside a panel as if they lay on the form.
    CreateHandle(L"VsControl", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TPanel::SetBevelOuter(TBevelCut b) {
    if (b == FBevelOuter) return;
    FBevelOuter = b;
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut b) {
    if (b == FBevelInner) return;
    FBevelInner = b;
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment a) {
    if (a == FAlignment) return;
    FAlignment = a;
    Invalidate();
}

RECT TPanel::AlignRect() const {
    RECT r = TWinControl::AlignRect();
    int border = (FBevelOuter != bvNone ? 1 : 0) + (FBevelInner != bvNone ? 1 : 0);
    ::InflateRect(&r, -border, -border);
    return r;
}

void TPanel::Paint(TCanvas& canvas) {
    RECT r{0, 0, Width(), Height()};
    UINT edge = 0;
    if (FBevelOuter == bvRaised) edge |= BDR_RAISEDOUTER;
    if (FBevelOuter == bvLowered) edge |= BDR_SUNKENOUTER;
    if (FBevelInner == bvRaised) edge |= BDR_RAISEDINNER;
    if (FBevelInner == bvLowered) edge |= BDR_SUNKENINNER;
    if (edge) ::DrawEdge(canvas.Handle(), &r, edge, BF_RECT | BF_ADJUST);
    if (!Caption().empty()) {
        TSelectObject sel(canvas.Handle(), FontHandle());
        canvas.SetTextColor(Font().Color);
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        if (FAlignment == taCenter) flags |= DT_CENTER;
        if (FAlignment == taRightJustify) flags |= DT_RIGHT;
        canvas.TextRect(r, Caption(), flags);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// TSplitter

TSplitter::TSplitter(TComponent* owner, TWinControl* parent, TAlign align) : TControl(owner, parent) {
    SetCursor(align == alTop || align == alBottom ? crSizeNS : crSizeWE);
    SetBounds(0, 0, 3, 3);
    CreateHandle(L"VsControl", 0);
    SetAlign(align);
}

void TSplitter::SetBeveled(bool on) {
    if (on == FBeveled) return;
    FBeveled = on;
    Invalidate();
}

void TSplitter::ChangeScale(int newDpi, int oldDpi) {
    TControl::ChangeScale(newDpi, oldDpi);
    FMinSize = ::MulDiv(FMinSize, newDpi, oldDpi);
}

TControl* TSplitter::FindNeighbour() const {
    if (!Parent()) return nullptr;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align()) continue;
        switch (Align()) {
            case alLeft:
                if (c->Left() + c->Width() == Left()) return c;
                break;
            case alRight:
                if (c->Left() == Left() + Width()) return c;
                break;
            case alTop:
                if (c->Top() + c->Height() == Top()) return c;
                break;
            case alBottom:
                if (c->Top() == Top() + Height()) return c;
                break;
            default:
                break;
        }
    }
    return nullptr;
}

int TSplitter::DragBy(int delta) {
    TControl* n = FDragging ? FDragNeighbour : FindNeighbour();
    if (!n) return -1;
    int start = FDragging ? FStartSize : (Horizontal() ? n->Height() : n->Width());
    if (Align() == alRight || Align() == alBottom) delta = -delta;
    // Keep at least MinSize for the neighbour and for what lies on the other side.
    RECT area = Parent()->AlignRect();
    int room = Horizontal() ? area.bottom - area.top : area.right - area.left;
    int others = 0;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TControl* c = Parent()->Controls(i);
        if (c == n || !c->Visible()) continue;
        if (Horizontal() && (c->Align() == alTop || c->Align() == alBottom)) others += c->Height();
        if (!Horizontal() && (c->Align() == alLeft || c->Align() == alRight)) others += c->Width();
    }
    int minSize = std::max({FMinSize, Horizontal() ? n->MinHeight() : n->MinWidth(), 0});
    int maxSize = std::max(minSize, room - others - FMinSize);
    int size = std::clamp(start + delta, minSize, maxSize);
    if (Horizontal())
        n->SetHeight(size);
    else
        n->SetWidth(size);
    return size;
}

void TSplitter::Paint(TCanvas& canvas) {
    if (!FBeveled) return;
    RECT r{0, 0, Width(), Height()};
    ::DrawEdge(canvas.Handle(), &r, BDR_RAISEDINNER, Horizontal() ? (BF_TOP | BF_BOTTOM) : (BF_LEFT | BF_RIGHT));
}

LRESULT TSplitter::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN: {
            TControl* n = FindNeighbour();
            if (!n) break;
            FDragNeighbour = n;
            FStartSize = Horizontal() ? n->Height() : n->Width();
            FDragStart = POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ::ClientToScreen(Handle(), &FDragStart);
            FDragging = true;
            ::SetCapture(Handle());
            return 0;
        }
        case WM_MOUSEMOVE:
            if (FDragging) {
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                ::ClientToScreen(Handle(), &p);
                DragBy(Horizontal() ? p.y - FDragStart.y : p.x - FDragStart.x);
                return 0;
            }
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (FDragging) {
                FDragging = false;
                FDragNeighbour = nullptr;
                if (msg == WM_LBUTTONUP) ::ReleaseCapture();
                return 0;
            }
            break;
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------------------------
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetBounds(0, 0, 23, 22);
    CreateHandle(L"VsControl", 0);
}

TSpeedButton::~TSpeedButton() {
    if (FAction) FAction->RemoveClient(this);
}

void TSpeedButton::SetAction(TAction* action) {
    if (FAction) FAction->RemoveClient(this);
    FAction = action;
    if (FAction) {
        FAction->AddClient(this);
        ActionChanged(FAction);
    }
}

void TSpeedButton::ActionChanged(TAction* action) {
    if (!action) {
        FAction = nullptr;
        return;
    }
    SetCaption(action->Caption());
    SetHint(action->Hint());
    FImageIndex = action->ImageIndex();
    if (!FImages && action->ActionList()) FImages = action->ActionList()->Images();
    SetEnabled(action->Enabled());
    Invalidate();
}

void TSpeedButton::SetImageIndex(int index) {
    if (index == FImageIndex) return;
    FImageIndex = index;
    Invalidate();
}

void TSpeedButton::Click() {
    if (FAction)
        FAction->Execute();
    else
        TControl::Click();
}

void TSpeedButton::Paint(TCanvas& canvas) {
    RECT r{0, 0, Width(), Height()};
    if (FPressed && FHot)
        ::DrawEdge(canvas.Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    else if (FHot || !FFlat)
        ::DrawEdge(canvas.Handle(), &r, BDR_RAISEDINNER, BF_RECT);
    int shift = (FPressed && FHot) ? 1 : 0;
    int glyph = (FImages && FImageIndex >= 0) ? FImages->SizeForDpi(Dpi()) : 0;
    int textWidth = 0;
    TSelectObject sel(canvas.Handle(), FontHandle());
    if (!Caption().empty()) textWidth = canvas.TextWidth(Caption()) + (glyph ? Scale(4) : 0);
    int x = (Width() - glyph - textWidth) / 2 + shift;
    if (glyph) FImages->Draw(canvas.Handle(), x, (Height() - glyph) / 2 + shift, FImageIndex, Dpi(), Enabled());
    if (!Caption().empty()) {
        canvas.SetTextColor(Enabled() ? Font().Color : clGray);
        RECT tr{x + glyph + (glyph ? Scale(4) : 0), shift, Width(), Height() + shift};
        canvas.TextRect(tr, Caption(), DT_SINGLELINE | DT_VCENTER);
    }
}

LRESULT TSpeedButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (!FHot) {
                FHot = true;
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
                ::TrackMouseEvent(&tme);
                Invalidate();
            }
            if (FPressed) {
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                RECT r{0, 0, Width(), Height()};
                bool inside = ::PtInRect(&r, p) != 0;
                if (inside != FHot) {
                    FHot = inside;
                    Invalidate();
                }
            }
            return 0;
        case WM_MOUSELEAVE:
            FHot = false;
            Invalidate();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (!Enabled()) return 0;
            FPressed = true;
            FHot = true;
            ::SetCapture(Handle());
            Invalidate();
            return 0;
        case WM_LBUTTONUP:
            if (FPressed) {
                FPressed = false;
                ::ReleaseCapture();
                Invalidate();
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                RECT r{0, 0, Width(), Height()};
                if (::PtInRect(&r, p)) Click();
            }
            return 0;
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------------------------
// TComboBox

TComboBox::TComboBox(TComponent* owner, TWinControl* parent, TComboBoxStyle style)
    : TComboBox(owner, parent, style, TDeferCreate{}) {
    CreateWnd();
}

TComboBox::TComboBox(TComponent* owner, TWinControl* parent, TComboBoxStyle style, TDeferCreate)
    : TWinControl(owner, parent), FStyle(style) {
    SetBounds(0, 0, 145, 21);
}

void TComboBox::CreateWnd() {
    DWORD style = WS_VSCROLL | WS_TABSTOP;
    switch (FStyle) {
        case csDropDown:
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL;
            break;
        case csDropDownList:
            style |= CBS_DROPDOWNLIST;
            break;
        case csOwnerDrawFixed:
            style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
            break;
        case csOwnerDrawVariable:
            style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS;
            break;
    }
    CreateHandle(WC_COMBOBOXW, style);
    SetDropDownCount(FDropDownCount);
}

bool TComboBox::HandleMeasureItem(MEASUREITEMSTRUCT& item) {
    if (FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable) return false;
    int height = static_cast<int>(item.itemHeight);
    MeasureItem(static_cast<int>(item.itemID), height);  // itemID (UINT)-1 is the field
    item.itemHeight = static_cast<UINT>(std::max(height, 1));
    return true;
}

void TComboBox::MeasureItem(int index, int& height) {
    if (FItemHeight > 0 && index >= 0) height = FItemHeight;
    if (OnMeasureItem) OnMeasureItem(this, index, height);
}

bool TComboBox::HandleDrawItem(const DRAWITEMSTRUCT& item) {
    if (FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable) return false;
    unsigned state = 0;
    if (item.itemState & ODS_SELECTED) state |= odSelected;
    if (item.itemState & ODS_FOCUS) state |= odFocused;
    if (item.itemState & ODS_DISABLED) state |= odDisabled;
    if (item.itemState & ODS_COMBOBOXEDIT) state |= odComboBoxEdit;
    // Whatever the drawing selects or sets is put back before the system draws on: the canvas
    // restores the DC it was made on, and then the box's font is taken out again.
    TSelectObject font(item.hDC, FontHandle());
    TCanvas canvas(item.hDC, Dpi());
    DrawItem(static_cast<int>(item.itemID), item.rcItem, state, canvas);
    return true;
}

void TComboBox::DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state, canvas);
        return;
    }
    bool selected = (state & odSelected) != 0;
    canvas.FillRect(rect, selected ? clHighlight : clWindow);
    if (index < 0) return;
    canvas.SetTextColor(selected               ? clHighlightText
                        : (state & odDisabled) ? (clSystemColor | COLOR_GRAYTEXT)
                                               : clWindowText);
    RECT text = rect;
    text.left += Scale(2);
    canvas.TextRect(text, Items(index), DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (state & odFocused) ::DrawFocusRect(canvas.Handle(), &rect);
}

int TComboBox::ItemHeight() const {
    LRESULT h = ::SendMessageW(Handle(), CB_GETITEMHEIGHT, 0, 0);
    return h == CB_ERR ? 0 : static_cast<int>(h);
}

void TComboBox::SetItemHeight(int height) {
    if (height == FItemHeight) return;
    FItemHeight = height;
    if (height > 0 && FStyle == csOwnerDrawFixed) ::SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, height);
    MoveWindow();
}

void TComboBox::SetDroppedDown(bool down) {
    if (down == DroppedDown()) return;
    ::SendMessageW(Handle(), CB_SHOWDROPDOWN, down, 0);
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
}

int TComboBox::Count() const {
    return static_cast<int>(::SendMessageW(Handle(), CB_GETCOUNT, 0, 0));
}

std::string TComboBox::Items(int index) const {
    LRESULT len = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
    if (len == CB_ERR) throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    ::SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(w.data()));
    w.resize(static_cast<size_t>(len));
    return Narrow(w);
}

std::vector<std::string> TComboBox::AllItems() const {
    std::vector<std::string> items;
    for (int i = 0, n = Count(); i < n; ++i) items.push_back(Items(i));
    return items;
}

void TComboBox::Clear() {
    // CB_RESETCONTENT also empties the edit field; keep what it shows.
    std::string text = Text();
    ::SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    SetText(text);
}

int TComboBox::Add(const std::string& text) {
    return static_cast<int>(::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

int TComboBox::ItemIndex() const {
    return static_cast<int>(::SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int index) {
    if (index == ItemIndex()) return;
    ::SendMessageW(Handle(), CB_SETCURSEL, index, 0);
}

std::string TComboBox::Text() const {
    int len = ::GetWindowTextLengthW(Handle());
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    ::GetWindowTextW(Handle(), w.data(), len + 1);
    w.resize(static_cast<size_t>(len));
    return Narrow(w);
}

void TComboBox::SetText(const std::string& text) {
    if (text == Text()) return;
    ::SetWindowTextW(Handle(), Widen(text).c_str());
}

void TComboBox::SetDropDownCount(int rows) {
    FDropDownCount = rows;
    ::SendMessageW(Handle(), CB_SETMINVISIBLE, rows, 0);
    MoveWindow();
}

int TComboBox::WindowHeight() const {
    // The system window of a drop-down combo box includes its list: room for the rows.
    LRESULT item = Handle() ? ::SendMessageW(Handle(), CB_GETITEMHEIGHT, 0, 0) : 0;
    if (item <= 0) item = Height();
    return Height() + FDropDownCount * static_cast<int>(item) + 2;
}

bool TComboBox::DroppedDown() const {
    return ::SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

bool TComboBox::HandleCommand(WORD code, WORD, LRESULT& result) {
    switch (code) {
        case CBN_SELCHANGE:
            // The system raises this before it copies the chosen item into the edit field, by mouse and by
            // keyboard alike; the field takes it first, so that OnClick reads the text picked.
            if (FStyle == csDropDown)
                if (int index = ItemIndex(); index >= 0) SetText(Items(index));
            Click();
            return true;
        case CBN_EDITCHANGE:
            if (OnChange) OnChange(this);
            return true;
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// TTimer

namespace {
// Never destroyed: timers owned by forms may go during static destruction.
std::map<UINT_PTR, TTimer*>& Timers() {
    static auto* timers = new std::map<UINT_PTR, TTimer*>;
    return *timers;
}
UINT_PTR GNextTimerId = 0x7000;
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    Stop();
}

void TTimer::SetInterval(unsigned ms) {
    FInterval = ms;
    if (FEnabled) Start();
}

void TTimer::SetEnabled(bool on) {
    if (on == FEnabled) return;  // an enabled timer keeps its interval; Restart starts it again
    FEnabled = on;
    if (on)
        Start();
    else
        Stop();
}

void TTimer::Restart() {
    if (FEnabled) Start();
}

void TTimer::Start() {
    Stop();
    if (!FInterval) return;
    FId = GNextTimerId++;
    Timers()[FId] = this;
    ::SetTimer(Application->UtilityWindow(), FId, FInterval, TimerProc);
}

void TTimer::Stop() {
    if (!FId) return;
    ::KillTimer(Application->UtilityWindow(), FId);
    Timers().erase(FId);
    FId = 0;
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Timers().find(id);
    if (it == Timers().end()) return;
    TTimer* t = it->second;
    if (t->FOneShot) t->SetEnabled(false);
    try {
        if (t->OnTimer) t->OnTimer(t);
    } catch (...) {
        Application->HandleException(t);
    }
}
