#include "app/windows/RoundedShape.h"

#include "reports/HtmlReport_win.h"
#include "ui/Forms.h"

TRegionMaker& RoundRegionMaker() {
    static TRegionMaker maker = [](int width, int height, int cornerW, int cornerH) {
        return ::CreateRoundRectRgn(0, 0, width, height, cornerW, cornerH);
    };
    return maker;
}

bool ApplyRoundedShape(TForm& form, bool quiet) {
    int corner = form.Scale(40);
    TRegionHandle region(
        RoundRegionMaker() ? RoundRegionMaker()(form.ClientWidth(), form.ClientHeight(), corner, corner) : nullptr);
    if (form.SetRegion(std::move(region))) return true;
    if (!quiet) ShowWarning("Region error");
    return false;
}

void KeepRoundedShape(TForm& form) {
    int width = form.ClientWidth(), height = form.ClientHeight();
    form.OnResize = [&form, width, height](TObject*) mutable {
        if (form.ClientWidth() == width && form.ClientHeight() == height) return;
        width = form.ClientWidth();
        height = form.ClientHeight();
        ApplyRoundedShape(form, true);  // the failure was reported when the window was made
    };
}

std::string ProgramVersionText() {
    return "Version " + GetProgramVersion();
}
