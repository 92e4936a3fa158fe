#include "charts/ChartPicture_win.h"

#include "platform/Exception.h"
#include "ui/Graphics.h"

TRgbPicture RgbPictureOf(const TBitmap& bitmap) {
    if (!bitmap.Bits() || bitmap.Width() <= 0 || bitmap.Height() <= 0)
        throw Exception("The chart has no area to take a picture of");
    TRgbPicture picture;
    picture.Width = bitmap.Width();
    picture.Height = bitmap.Height();
    const std::uint32_t* bits = bitmap.Bits();
    picture.Pixels.assign(bits, bits + static_cast<size_t>(picture.Width) * picture.Height);
    for (std::uint32_t& p : picture.Pixels) p &= 0xFFFFFF;
    return picture;
}
