#include "app/windows/RoundedShape.h"

#include "app/windows/info.h"
#include "ui/Forms.h"

TRegionMaker& RoundRegionMaker() {
    static TRegionMaker maker = [](int width, int height, int cornerW, int cornerH) {
        return ::CreateRoundRectRgn(0, 0, width, height, cornerW, cornerH);
    };
    return maker;
}

bool ApplyRoundedShape(TForm& form) {
    int corner = form.Scale(40);
    HRGN region =
        RoundRegionMaker() ? RoundRegionMaker()(form.ClientWidth(), form.ClientHeight(), corner, corner) : nullptr;
    if (region && form.SetRegion(region)) return true;
    ShowWarning("Region error");
    return false;
}

std::string ProgramVersionText() {
    TEPInfoExe info;
    info.ExeName = ExeFileName();
    info.LangId = "0C09";
    info.ReadVersionInfo();
    return "Version " + info.FileVersion;
}
