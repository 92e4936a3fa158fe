#include "charts/TreemapPanel_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/Forms.h"

namespace {
constexpr TColor kBackground = clWhite;
}  // namespace

TTreemapPanel::TTreemapPanel(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetBounds(0, 0, 400, 250);
    CreateHandle(L"VsControl", 0);
}

TTreemapPanel::~TTreemapPanel() = default;

void TTreemapPanel::SetMap(TTreemap map, std::vector<TTreemapShare> legend) {
    FMap = std::move(map);
    FLegend = std::move(legend);
    FHasMap = true;
    FPictureValid = false;
    FMessage.clear();
    FNote.clear();
    SetHover(-1);
    Invalidate();
}

void TTreemapPanel::SetMessage(const std::string& text, const std::string& note) {
    FMap.Clear();
    FLegend.clear();
    FHasMap = false;
    FPicture.reset();
    FMessage = text;
    FNote = note;
    SetHover(-1);
    Invalidate();
}

void TTreemapPanel::SetHoverText(const std::string& text) {
    if (text == FHoverText) return;
    FHoverText = text;
    Invalidate();
}

std::string TTreemapPanel::InfoText() const {
    if (!FHoverText.empty()) return FHoverText;
    std::string text;
    for (const TTreemapShare& s : FLegend) {
        char share[32];
        std::snprintf(share, sizeof share, " %.0f%%", s.Share * 100);
        if (!text.empty()) text += "   ";
        text += (s.Extension.empty() ? std::string("(no extension)") : s.Extension) + share;
    }
    return text;
}

int TTreemapPanel::StripHeight() const {
    return std::min(Scale(20), std::max(ClientHeight(), 0));
}

int TTreemapPanel::MapWidth() const {
    return std::max(ClientWidth(), 0);
}

int TTreemapPanel::MapHeight() const {
    return std::max(ClientHeight() - StripHeight(), 0);
}

void TTreemapPanel::PaintTo(TCanvas& canvas) {
    const int w = ClientWidth(), h = ClientHeight();
    canvas.FillRect(TScreenRect{0, 0, w, h}, kBackground);
    canvas.SetFont(Font());
    if (!FHasMap) {
        // The message in the middle, the note below it.
        const TScreenSize size = canvas.TextExtent(FMessage);
        canvas.PaintText((w - size.Width) / 2, h / 2 - size.Height, FMessage, 0);
        if (!FNote.empty()) {
            const TScreenSize note = canvas.TextExtent(FNote);
            canvas.PaintText(std::max(0, (w - note.Width) / 2), h / 2 + size.Height / 2, FNote, 0);
        }
        return;
    }
    const int mw = FMap.Width(), mh = FMap.Height();
    if (mw > 0 && mh > 0) {
        if (!FPicture || FPicture->Width() != mw || FPicture->Height() != mh) {
            FPicture = std::make_unique<TBitmap>(mw, mh, Dpi());
            FPictureValid = false;
        }
        if (!FPictureValid) {
            ::GdiFlush();
            PaintTreemap(FMap, FPicture->Bits(), static_cast<std::size_t>(mw), 0, kBackground);
            FPictureValid = true;
        }
        ::BitBlt(canvas.Handle(), 0, 0, mw, mh, FPicture->Dc(), 0, 0, SRCCOPY);
    }
    // The strip: colour boxes of the legend, or the hovered tile's text.
    const int top = MapHeight(), strip = StripHeight();
    const int pad = Scale(4), box = std::max(strip - 2 * Scale(5), 4);
    int x = pad;
    if (!FHoverText.empty() || FLegend.empty()) {
        const std::string text = InfoText();
        const TScreenSize size = canvas.TextExtent(text);
        canvas.PaintText(x, top + (strip - size.Height) / 2, text, 0);
        return;
    }
    for (const TTreemapShare& s : FLegend) {
        char share[32];
        std::snprintf(share, sizeof share, " %.0f%%", s.Share * 100);
        const std::string text = (s.Extension.empty() ? std::string("(none)") : s.Extension) + share;
        canvas.FillRect(TScreenRect{x, top + (strip - box) / 2, x + box, top + (strip - box) / 2 + box}, s.Color);
        x += box + Scale(3);
        const TScreenSize size = canvas.TextExtent(text);
        canvas.PaintText(x, top + (strip - size.Height) / 2, text, 0);
        x += size.Width + Scale(10);
        if (x >= w) break;
    }
}

void TTreemapPanel::Paint(TCanvas& canvas) {
    PaintTo(canvas);
}

std::unique_ptr<TBitmap> TTreemapPanel::CreateSnapshotBitmap() {
    const int w = ClientWidth(), h = ClientHeight();
    if (w <= 0 || h <= 0) return nullptr;
    auto bitmap = std::make_unique<TBitmap>(w, h, Dpi());
    PaintTo(bitmap->Canvas());
    ::GdiFlush();
    return bitmap;
}

void TTreemapPanel::Resized() {
    TControl::Resized();
    if (OnLayoutNeeded && FHasMap && (FMap.Width() != MapWidth() || FMap.Height() != MapHeight()))
        OnLayoutNeeded(*this);
    Invalidate();
}

void TTreemapPanel::SetHover(int tile) {
    if (tile == FHover) return;
    FHover = tile;
    if (OnHover) OnHover(*this, tile);
    if (tile < 0) SetHoverText({});
}

void TTreemapPanel::MouseMove(TShiftState shift, int x, int y) {
    if (!FTracking) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
        FTracking = ::TrackMouseEvent(&tme) != FALSE;
    }
    SetHover(FHasMap && y < FMap.Height() ? FMap.HitTest(x, y) : -1);
    TControl::MouseMove(shift, x, y);
}

void TTreemapPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    FLastX = x;
    FLastY = y;
    const int tile = FHasMap && y < FMap.Height() ? FMap.HitTest(x, y) : -1;
    // The second press of a double click selects nothing new: DblClick opens.
    if (tile >= 0 && OnTileClick && !(shift & ssDouble)) OnTileClick(*this, tile, button, x, y);
    TControl::MouseDown(button, shift, x, y);
}

void TTreemapPanel::DblClick() {
    const int tile = FHasMap && FLastY < FMap.Height() ? FMap.HitTest(FLastX, FLastY) : -1;
    if (tile >= 0 && OnTileDblClick) OnTileDblClick(*this, tile);
    TControl::DblClick();
}

LRESULT TTreemapPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // the panel paints its whole client area
        case WM_MOUSELEAVE:
            FTracking = false;
            SetHover(-1);
            return 0;
        case WM_LBUTTONDBLCLK:
            // DblClick reads where the double click was.
            FLastX = GET_X_LPARAM(lp);
            FLastY = GET_Y_LPARAM(lp);
            break;
        case kScannedMessage:
            if (OnScanned) OnScanned(*this);
            return 0;
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}
