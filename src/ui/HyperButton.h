#pragma once
// TVrHyperButton: a flat button with a centred caption on its own colour, framed by a border
// with a light edge at the top left and a dark edge at the bottom right (swapped while pressed).
// A click, or Space or Enter while it has the focus, raises OnClick. Hand cursor.
#include "ui/Controls.h"

class TVrHyperButton : public TControl {
public:
    TVrHyperButton(TComponent* owner, TWinControl* parent);

    TColor BorderColor() const { return FBorderColor; }
    TColor BorderHighlight() const { return FBorderHighlight; }
    TColor BorderShadow() const { return FBorderShadow; }
    void SetBorderColors(TColor border, TColor highlight, TColor shadow);
    bool Pressed() const { return FPressed && FOver; }
    bool CanFocus() const override { return true; }

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    TColor FBorderColor = clGray;
    TColor FBorderHighlight = clWhite;
    TColor FBorderShadow = clBlack;
    bool FPressed = false;
    bool FOver = false;
};
