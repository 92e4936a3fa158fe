#include "app/ActionImages.h"

#include <cmath>

#include "app/GlyphPainter.h"

namespace {

using TPts = std::vector<TGlyphPoint>;

constexpr std::uint32_t kOutline = Argb(48, 48, 48);
constexpr std::uint32_t kWhite = Argb(255, 255, 255);
constexpr std::uint32_t kFolderBack = Argb(226, 172, 42);
constexpr std::uint32_t kFolderFront = Argb(252, 212, 92);
constexpr std::uint32_t kFolderEdge = Argb(150, 104, 16);

void BarChart(TGlyphPainter& c) {
    c.FillRect(3, 8, 6, 14, Argb(220, 50, 40));
    c.FillRect(7, 3, 10, 14, Argb(40, 170, 60));
    c.FillRect(11, 6, 14, 14, Argb(40, 90, 210));
    c.FrameRect(3, 8, 6, 14, Argb(110, 20, 15));
    c.FrameRect(7, 3, 10, 14, Argb(15, 85, 25));
    c.FrameRect(11, 6, 14, 14, Argb(15, 40, 110));
    c.FillRect(1, 1, 2, 15, kOutline);    // value axis
    c.FillRect(1, 14, 15, 15, kOutline);  // category axis
}

// A folder inside the box (x0, y0)-(x1, y1): back with its tab, lighter front flap.
void Folder(TGlyphPainter& c, double x0, double y0, double x1, double y1) {
    double h = y1 - y0, w = x1 - x0;
    double tab = y0 + h * 0.22;
    c.FillPolygon({{x0, y0}, {x0 + w * 0.38, y0}, {x0 + w * 0.48, tab}, {x1, tab}, {x1, y1}, {x0, y1}}, kFolderEdge);
    double t = 1.0 / c.Scale();  // one pixel
    c.FillPolygon({{x0 + t, y0 + t},
                   {x0 + w * 0.38 - t * 0.4, y0 + t},
                   {x0 + w * 0.48 - t * 0.4, tab + t},
                   {x1 - t, tab + t},
                   {x1 - t, y1 - t},
                   {x0 + t, y1 - t}},
                  kFolderBack);
    double flap = y0 + h * 0.42;
    c.FillPolygon({{x0 + t, flap}, {x1 - t, flap}, {x1 - t, y1 - t}, {x0 + t, y1 - t}}, kFolderFront);
    c.FillRect(x0 + t, flap, x1 - t, flap + t, Argb(255, 236, 160));
}

void FolderTree(TGlyphPainter& c) {
    constexpr std::uint32_t kDots = Argb(90, 90, 90);
    for (int y = 7; y < 14; y += 2) c.FillRect(3, y, 4, y + 1, kDots);
    for (int x = 4; x < 7; x += 2) {
        c.FillRect(x, 9, x + 1, 10, kDots);
        c.FillRect(x, 13, x + 1, 14, kDots);
    }
    Folder(c, 0, 0.5, 8, 6.5);
    Folder(c, 7, 7, 15, 11.5);
    Folder(c, 7, 11.5, 15, 16);
}

void DiskDrive(TGlyphPainter& c) {
    c.FillRect(1, 5, 15, 12, Argb(200, 200, 204));
    c.FillRect(1, 9, 15, 12, Argb(150, 150, 156));
    c.FrameRect(1, 5, 15, 12, kOutline);
    c.FillRect(3, 7, 10, 8, Argb(70, 70, 70));       // slot
    c.FillRect(11, 10, 13, 11, Argb(40, 220, 60));   // activity light
    c.FillRect(2, 12, 14, 13, Argb(110, 110, 116));  // shadow below
}

void PieChart(TGlyphPainter& c) {
    // The body, then the quarter cut out and pushed up and to the right.
    TPts body = TGlyphPainter::Arc(7, 9, 6.5, 6.5, 0, 270, 36);
    body.push_back({7, 9});
    c.FillPolygon(body, kOutline);
    TPts inner = TGlyphPainter::Arc(7, 9, 5.6, 5.6, 5, 265, 36);
    inner.push_back({7.6, 8.4});
    c.FillPolygon(inner, Argb(40, 110, 220));
    TPts half = TGlyphPainter::Arc(7, 9, 5.6, 5.6, 90, 180, 18);
    half.push_back({7, 9});
    c.FillPolygon(half, Argb(40, 170, 60));
    TPts slice = TGlyphPainter::Arc(9, 7, 6.5, 6.5, 270, 360, 18);
    slice.push_back({9, 7});
    c.FillPolygon(slice, kOutline);
    TPts sliceIn = TGlyphPainter::Arc(9, 7, 5.6, 5.6, 275, 355, 18);
    sliceIn.push_back({9.6, 6.4});
    c.FillPolygon(sliceIn, Argb(235, 60, 40));
}

void Key(TGlyphPainter& c) {
    constexpr std::uint32_t kGold = Argb(230, 180, 30), kDark = Argb(130, 90, 10);
    c.StrokeLine({{6.5, 9.5}, {14, 2}}, 2.8, kDark);
    c.StrokeLine({{11.6, 4.4}, {13.6, 6.4}}, 2.6, kDark);
    c.StrokeLine({{9.6, 6.4}, {11.2, 8}}, 2.6, kDark);
    c.StrokeLine({{6.5, 9.5}, {14, 2}}, 1.2, kGold);
    c.StrokeLine({{11.6, 4.4}, {13.4, 6.2}}, 1.0, kGold);
    c.StrokeLine({{9.6, 6.4}, {11.0, 7.8}}, 1.0, kGold);
    c.FillEllipse(5, 11, 4.2, 4.2, kDark);
    c.FillEllipse(5, 11, 3.3, 3.3, kGold);
    c.FillEllipse(4.4, 10.2, 1.4, 1.2, Argb(255, 230, 140));
    c.EraseEllipse(4.2, 11.8, 1.3, 1.3);
}

void Printer(TGlyphPainter& c) {
    c.FillRect(4, 1, 12, 7, kWhite);
    c.FrameRect(4, 1, 12, 7, kOutline);
    c.FillRect(1, 6, 15, 12, Argb(190, 190, 196));
    c.FillRect(1, 10, 15, 12, Argb(140, 140, 148));
    c.FrameRect(1, 6, 15, 12, kOutline);
    c.FillRect(12, 7.5, 14, 8.5, Argb(40, 200, 60));
    c.FillRect(4, 10, 12, 15, kWhite);
    c.FrameRect(4, 10, 12, 15, kOutline);
    c.FillRect(6, 12, 10, 13, Argb(120, 120, 200));
}

void Question(TGlyphPainter& c) {
    c.FillEllipse(8, 8, 7.5, 7.5, Argb(20, 70, 170));
    c.FillEllipse(8, 8, 6.6, 6.6, Argb(50, 120, 230));
    TPts hook = TGlyphPainter::Arc(8, 6, 2.6, 2.4, 190, 400, 24);
    hook.push_back({8, 8.8});
    hook.push_back({8, 9.8});
    c.StrokeLine(hook, 1.9, kWhite);
    c.FillEllipse(8, 12.4, 1.2, 1.2, kWhite);
}

void LetterA(TGlyphPainter& c) {
    constexpr std::uint32_t kInk = Argb(20, 30, 110);
    c.StrokeLine({{2.5, 14.5}, {8, 1.8}, {13.5, 14.5}}, 2.4, kInk);
    c.FillRect(4.5, 9.5, 11.5, 11.5, kInk);
}

void Cross(TGlyphPainter& c) {
    constexpr std::uint32_t kDarkRed = Argb(140, 10, 10), kRed = Argb(230, 40, 30);
    c.StrokeLine({{3, 3}, {13, 13}}, 3.6, kDarkRed);
    c.StrokeLine({{13, 3}, {3, 13}}, 3.6, kDarkRed);
    c.StrokeLine({{3, 3}, {13, 13}}, 2.2, kRed);
    c.StrokeLine({{13, 3}, {3, 13}}, 2.2, kRed);
}

void Picture(TGlyphPainter& c) {
    c.FillRect(4, 13, 12, 15, Argb(120, 120, 128));         // foot
    c.FillRect(6.5, 12, 9.5, 13, Argb(90, 90, 96));         // neck
    c.FillRect(0, 1, 16, 12, Argb(70, 70, 78));             // frame
    c.FillRect(1.5, 2.5, 14.5, 10.5, Argb(120, 190, 245));  // sky
    c.FillPolygon({{1.5, 10.5}, {1.5, 8}, {5, 5.6}, {8.5, 8.2}, {10.5, 6.8}, {14.5, 9.2}, {14.5, 10.5}},
                  Argb(50, 160, 60));                        // hills
    c.FillEllipse(11.5, 4.8, 1.5, 1.5, Argb(255, 220, 40));  // sun
    c.FillRect(14.5, 2.5, 16, 10.5, Argb(70, 70, 78));
}

void FolderShortcut(TGlyphPainter& c) {
    Folder(c, 0, 1, 16, 15);
    c.FillRect(0, 8, 8, 16, kWhite);
    c.FrameRect(0, 8, 8, 16, kOutline);
    constexpr std::uint32_t kArrow = Argb(20, 60, 170);
    c.StrokeLine({{2.2, 14.2}, {2.4, 12.2}, {3.6, 11}, {5, 10.8}}, 1.3, kArrow);
    c.FillPolygon({{4.4, 9.2}, {7, 10.9}, {4.4, 12.6}}, kArrow);
}

void FolderSum(TGlyphPainter& c) {
    Folder(c, 0, 3, 16, 15);
    TPts sigma = {{13, 3.2}, {13, 1.6}, {4, 1.6}, {8.6, 7.6}, {4, 13.6}, {13, 13.6}, {13, 12}};
    c.StrokeLine(sigma, 3.4, Argb(255, 255, 255, 220));
    c.StrokeLine(sigma, 1.8, Argb(20, 30, 120));
}

void Light(TGlyphPainter& c, std::uint32_t edge, std::uint32_t body, std::uint32_t shine) {
    c.FillEllipse(8, 8, 7, 7, edge);
    c.FillEllipse(8, 8, 6, 6, body);
    c.FillEllipse(6.2, 5.8, 2.6, 2.1, shine);
}

void Block(TGlyphPainter& c, double x0, double y0, double x1, double y1) {
    constexpr std::uint32_t kFace = Argb(0, 200, 225), kLight = Argb(150, 240, 250);
    c.FillRect(x0, y0, x1, y1, kFace);
    c.FillRect(x0 + 1, y0 + 1, x1 - 1, y0 + 2, kLight);  // lit top edge
    c.FrameRect(x0, y0, x1, y1, Argb(0, 70, 90));
}

void Blocks(TGlyphPainter& c) {
    Block(c, 1, 9, 8, 15);
    Block(c, 8, 9, 15, 15);
    Block(c, 4.5, 3, 11.5, 9);
}

void BlocksCrossed(TGlyphPainter& c) {
    Blocks(c);
    constexpr std::uint32_t kRed = Argb(225, 20, 20);
    // Thin enough that the blocks stay recognisable under the cross.
    c.StrokeLine({{2, 2}, {14, 14}}, 1.7, kRed);
    c.StrokeLine({{14, 2}, {2, 14}}, 1.7, kRed);
}

// Nested tiles: one large, the rest split in rows, as the treemap lays out a folder.
void Treemap(TGlyphPainter& c) {
    struct TTile {
        double X0, Y0, X1, Y1;
        std::uint32_t Colour;
    };
    const TTile tiles[] = {{1, 1, 9, 15, Argb(220, 50, 40)},
                           {9, 1, 15, 8, Argb(40, 90, 210)},
                           {9, 8, 12, 15, Argb(40, 170, 60)},
                           {12, 8, 15, 12, Argb(240, 190, 30)},
                           {12, 12, 15, 15, Argb(150, 60, 190)}};
    for (const TTile& t : tiles) {
        c.FillRect(t.X0, t.Y0, t.X1, t.Y1, t.Colour);
        c.FillRect(t.X0 + 1, t.Y0 + 1, t.X1 - 1, t.Y0 + 2, Argb(255, 255, 255, 110));  // lit top edge
        c.FrameRect(t.X0, t.Y0, t.X1, t.Y1, kOutline);
    }
}

}  // namespace

bool PaintActionImage(int index, int sizePx, std::uint32_t* pixels) {
    if (sizePx < 1 || !pixels) return false;
    TGlyphPainter c(sizePx, sizePx, pixels);
    c.Clear();
    switch (index) {
        case aiBarChart:
            BarChart(c);
            break;
        case aiFolderTree:
            FolderTree(c);
            break;
        case aiDiskDrive:
            DiskDrive(c);
            break;
        case aiPieChart:
            PieChart(c);
            break;
        case aiKey:
            Key(c);
            break;
        case aiPrinter:
            Printer(c);
            break;
        case aiQuestion:
            Question(c);
            break;
        case aiLetterA:
            LetterA(c);
            break;
        case aiCross:
            Cross(c);
            break;
        case aiPicture:
            Picture(c);
            break;
        case aiFolder:
            Folder(c, 0, 1.5, 16, 14.5);
            break;
        case aiFolderShortcut:
            FolderShortcut(c);
            break;
        case aiFolderSum:
            FolderSum(c);
            break;
        case aiRedLight:
            Light(c, Argb(120, 0, 0), Argb(225, 30, 30), Argb(255, 170, 160));
            break;
        case aiGreenLight:
            Light(c, Argb(0, 90, 10), Argb(30, 185, 45), Argb(170, 250, 170));
            break;
        case aiYellowLight:
            Light(c, Argb(140, 110, 0), Argb(245, 205, 0), Argb(255, 245, 170));
            break;
        case aiBlocks:
            Blocks(c);
            break;
        case aiTreemap:
            Treemap(c);
            break;
        case aiBlocksCrossed:
            BlocksCrossed(c);
            break;
        default:
            return false;
    }
    return true;
}

void PaintFindFolderFrame(int frame, int width, int height, std::uint32_t* pixels) {
    if (width < 1 || height < 1 || !pixels) return;
    constexpr double kPi = 3.14159265358979323846;
    // Design units: 80 across, and the same scale down, so the picture keeps its proportions.
    TGlyphPainter c(width, height, pixels, 80.0);
    c.Clear();
    double top = (height / c.Scale() - 50.0) / 2;  // centred when the height does not match
    Folder(c, 14, top + 10, 50, top + 42);
    int n = ((frame % kFindFolderFrameCount) + kFindFolderFrameCount) % kFindFolderFrameCount;
    double t = 2 * kPi * n / kFindFolderFrameCount;
    double gx = 36 + 16 * std::cos(t), gy = top + 24 + 7 * std::sin(t);
    constexpr std::uint32_t kRim = Argb(60, 60, 70), kHandle = Argb(120, 70, 30);
    c.StrokeLine({{gx + 6, gy + 6}, {gx + 13, gy + 13}}, 4, kHandle);
    c.FillEllipse(gx, gy, 9, 9, kRim);
    c.FillEllipse(gx, gy, 7, 7, Argb(200, 230, 255, 150));
    c.FillEllipse(gx - 2.5, gy - 2.5, 2.2, 1.6, Argb(255, 255, 255, 200));
}
