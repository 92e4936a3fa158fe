#include "ui/ImageList.h"

#include <vector>

#include "platform/Exception.h"
#include "platform/WinHandle.h"
#include "ui/Graphics.h"

TImageList::TImageList(TComponent* owner, int count, TImagePainter painter, int designSize)
    : TComponent(owner), FCount(count), FPainter(std::move(painter)), FDesignSize(designSize) {}

TImageList::~TImageList() {
    for (auto& [size, list] : FLists) ::ImageList_Destroy(list);
}

HIMAGELIST TImageList::Handle(int dpi) {
    int size = SizeForDpi(dpi);
    auto it = FLists.find(size);
    if (it != FLists.end()) return it->second;
    HIMAGELIST list = ::ImageList_Create(size, size, ILC_COLOR32, FCount, 0);
    if (!list) throw Exception("Out of system resources");
    std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * size);
    for (int i = 0; i < FCount; ++i) {
        std::fill(pixels.begin(), pixels.end(), 0u);
        if (FPainter) FPainter(i, size, pixels.data());
        // 32-bit DIBs with alpha are premultiplied for the image list.
        std::uint32_t* out = nullptr;
        TBitmapHandle bmp = CreateDib32(size, size, out);
        if (!bmp) throw Exception("Out of system resources");
        for (size_t p = 0; p < pixels.size(); ++p) {
            std::uint32_t c = pixels[p], a = c >> 24;
            std::uint32_t r = ((c >> 16) & 0xFF) * a / 255, g = ((c >> 8) & 0xFF) * a / 255, b = (c & 0xFF) * a / 255;
            out[p] = (a << 24) | (r << 16) | (g << 8) | b;
        }
        ::ImageList_Add(list, bmp.Get(), nullptr);
    }
    FLists[size] = list;
    return list;
}

void TImageList::Draw(HDC dc, int x, int y, int index, int dpi, bool enabled) {
    if (index < 0 || index >= FCount) return;
    HIMAGELIST list = Handle(dpi);
    if (enabled) {
        ::ImageList_Draw(list, index, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    IMAGELISTDRAWPARAMS p{};
    p.cbSize = sizeof p;
    p.himl = list;
    p.i = index;
    p.hdcDst = dc;
    p.x = x;
    p.y = y;
    p.fStyle = ILD_TRANSPARENT;
    p.fState = ILS_SATURATE;
    if (!::ImageList_DrawIndirect(&p)) ::ImageList_Draw(list, index, dc, x, y, ILD_TRANSPARENT);
}
