#pragma once
// Image lists drawn by a painter at whatever pixel size the DPI asks for, so images stay crisp.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <map>

#include "ui/Component.h"

// Paints image `index` at size x size pixels into `pixels` (0xAARRGGBB, straight alpha, top row
// first, initially transparent).
using TImagePainter = std::function<void(int index, int size, std::uint32_t* pixels)>;

class TImageList : public TComponent {
public:
    // `count` images of designSize x designSize at 96 DPI.
    TImageList(TComponent* owner, int count, TImagePainter painter, int designSize = 16);
    ~TImageList() override;

    int Count() const { return FCount; }
    int DesignSize() const { return FDesignSize; }
    // Pixel size of the images at a DPI: the design size scaled.
    int SizeForDpi(int dpi) const { return ::MulDiv(FDesignSize, dpi, 96); }
    // The system image list at a DPI, made on first use; owned by this object.
    HIMAGELIST Handle(int dpi);
    // Draws image index with its top-left at (x, y) at the DPI (disabled: greyed).
    void Draw(HDC dc, int x, int y, int index, int dpi, bool enabled = true);

private:
    int FCount;
    TImagePainter FPainter;
    int FDesignSize;
    std::map<int, HIMAGELIST> FLists;  // by pixel size
};
