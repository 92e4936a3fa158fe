#include "app/windows/IconImage.h"

TIconImage::TIconImage(TComponent* owner, TWinControl* parent, int resourceId)
    : TControl(owner, parent), FResourceId(resourceId) {
    SetBounds(0, 0, 50, 50);
    CreateHandle(L"VsControl", 0);
}

HICON TIconImage::IconForDpi() {
    int size = Scale(32);
    if (!FIcon || FIconSize != size) {
        FIcon.Reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(FResourceId),
                                                    IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        FIconSize = size;
    }
    return FIcon.Get();
}

bool TIconImage::HasIcon() {
    return IconForDpi() != nullptr;
}

void TIconImage::Paint(TCanvas& canvas) {
    HICON icon = IconForDpi();
    if (!icon) return;
    int x = (ClientWidth() - FIconSize) / 2, y = (ClientHeight() - FIconSize) / 2;
    ::DrawIconEx(canvas.Handle(), x, y, icon, FIconSize, FIconSize, 0, nullptr, DI_NORMAL);
}
