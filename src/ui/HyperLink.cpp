#include "ui/HyperLink.h"

#include <windowsx.h>

TVrHyperLink::TVrHyperLink(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetCursor(crHandPoint);
    SetBounds(0, 0, 100, 25);
    CreateHandle(L"VsControl", 0);
}

void TVrHyperLink::SetColorHighlight(TColor color) {
    FColorHighlight = color;
    Invalidate();
}

void TVrHyperLink::SetHot(bool hot) {
    if (hot == FHot) return;
    FHot = hot;
    if (hot) {
        // Ask for WM_MOUSELEAVE, so the link turns back when the mouse goes.
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
        ::TrackMouseEvent(&tme);
    }
    Invalidate();
}

LRESULT TVrHyperLink::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
            SetHot(true);
            return 0;
        case WM_MOUSELEAVE:
            SetHot(false);
            return 0;
        case WM_LBUTTONDOWN:
            FPressed = true;
            ::SetCapture(Handle());
            return 0;
        case WM_LBUTTONUP: {
            bool pressed = FPressed;
            FPressed = false;
            if (::GetCapture() == Handle()) ::ReleaseCapture();
            POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            RECT rc{0, 0, ClientWidth(), ClientHeight()};
            if (pressed && ::PtInRect(&rc, pt)) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            FPressed = false;
            break;
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}

void TVrHyperLink::Paint(TCanvas& canvas) {
    RECT rc{0, 0, ClientWidth(), ClientHeight()};
    canvas.SetFont(Font());
    canvas.SetTextColor(TextColor());
    canvas.TextRect(rc, Caption(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}
