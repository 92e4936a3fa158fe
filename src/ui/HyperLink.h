#pragma once
// TVrHyperLink: a text link. Its caption is drawn in the control's font and colour, and in
// the hover colour while the mouse is over it; a click raises OnClick. Hand cursor.
#include "ui/Controls.h"

class TVrHyperLink : public TControl {
public:
    TVrHyperLink(TComponent* owner, TWinControl* parent);

    // The colour of the text while the mouse is over the link.
    TColor ColorHighlight() const { return FColorHighlight; }
    void SetColorHighlight(TColor color);
    // True while the mouse is over the link.
    bool Hot() const { return FHot; }
    // The colour the text is drawn in now.
    TColor TextColor() const { return FHot ? FColorHighlight : Font().Color; }

protected:
    void Paint(TCanvas& canvas) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void SetHot(bool hot);

    TColor FColorHighlight = clBlue;
    bool FHot = false;
    bool FPressed = false;
};
