#pragma once
// An image control that shows an icon of the program's resources, centred at its natural size
// (32 x 32 at 96 DPI, scaled with the DPI).
#include "platform/WinHandle.h"
#include "ui/Controls.h"

class TIconImage : public TControl {
public:
    TIconImage(TComponent* owner, TWinControl* parent, int resourceId);

    // Whether the icon could be loaded.
    bool HasIcon();

protected:
    void Paint(TCanvas& canvas) override;

private:
    HICON IconForDpi();

    int FResourceId;
    TIconHandle FIcon;
    int FIconSize = 0;
};
