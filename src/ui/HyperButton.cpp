#include "ui/HyperButton.h"

#include <windowsx.h>

TVrHyperButton::TVrHyperButton(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetCursor(crHandPoint);
    SetBounds(0, 0, 75, 25);
    FParentColor = false;
    CreateHandle(L"VsControl", WS_TABSTOP);
}

void TVrHyperButton::SetBorderColors(TColor border, TColor highlight, TColor shadow) {
    FBorderColor = border;
    FBorderHighlight = highlight;
    FBorderShadow = shadow;
    Invalidate();
}

LRESULT TVrHyperButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            FPressed = FOver = true;
            ::SetCapture(Handle());
            ::SetFocus(Handle());
            Invalidate();
            return 0;
        case WM_MOUSEMOVE:
            if (FPressed) {
                POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                RECT rc{0, 0, ClientWidth(), ClientHeight()};
                bool over = ::PtInRect(&rc, pt) != FALSE;
                if (over != FOver) {
                    FOver = over;
                    Invalidate();
                }
            }
            return 0;
        case WM_LBUTTONUP: {
            bool click = FPressed && FOver;
            FPressed = false;
            if (::GetCapture() == Handle()) ::ReleaseCapture();
            Invalidate();
            if (click) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (FPressed) {
                FPressed = false;
                Invalidate();
            }
            break;
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        case WM_KEYDOWN:
            if (wp == VK_SPACE || wp == VK_RETURN) {
                Click();
                return 0;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate();
            break;
        default:
            break;
    }
    return TControl::WndProc(msg, wp, lp);
}

void TVrHyperButton::Paint(TCanvas& canvas) {
    int w = ClientWidth(), h = ClientHeight();
    RECT rc{0, 0, w, h};
    canvas.FillRect(rc, Color());
    // Outer border, then the bevel just inside it.
    canvas.FrameRect(rc, FBorderColor);
    bool down = Pressed();
    TColor topLeft = down ? FBorderShadow : FBorderHighlight;
    TColor bottomRight = down ? FBorderHighlight : FBorderShadow;
    if (w > 2 && h > 2) {
        canvas.FillRect(RECT{1, 1, w - 1, 2}, topLeft);
        canvas.FillRect(RECT{1, 1, 2, h - 1}, topLeft);
        canvas.FillRect(RECT{1, h - 2, w - 1, h - 1}, bottomRight);
        canvas.FillRect(RECT{w - 2, 1, w - 1, h - 1}, bottomRight);
    }
    RECT text = rc;
    if (down) ::OffsetRect(&text, 1, 1);
    canvas.SetFont(Font());
    canvas.SetTextColor(Font().Color);
    canvas.TextRect(text, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (::GetFocus() == Handle()) {
        RECT focus{3, 3, w - 3, h - 3};
        ::DrawFocusRect(canvas.Handle(), &focus);
    }
}
