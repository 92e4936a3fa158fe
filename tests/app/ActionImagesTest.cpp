// The command glyphs: drawn at any size, inside their square, recognisably distinct.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/ActionImages.h"
#include "app/GlyphPainter.h"
#include "support/TestSupport.h"

namespace {

using TPixels = std::vector<std::uint32_t>;

TPixels Paint(int index, int size) {
    TPixels px(static_cast<std::size_t>(size) * size, 0xDEADBEEF);
    EXPECT_TRUE(PaintActionImage(index, size, px.data())) << index;
    return px;
}

int Alpha(std::uint32_t p) {
    return static_cast<int>(p >> 24);
}

// Mean colour of the clearly opaque pixels.
void MeanColour(const TPixels& px, double& r, double& g, double& b) {
    r = g = b = 0;
    int n = 0;
    for (auto p : px) {
        if (Alpha(p) < 200) continue;
        r += (p >> 16) & 0xFF, g += (p >> 8) & 0xFF, b += p & 0xFF;
        ++n;
    }
    if (n) r /= n, g /= n, b /= n;
}

TEST(AppActionImages, EveryGlyphCoversPartOfItsSquareAtEverySize) {
    for (int size : {16, 20, 24, 32, 48}) {
        for (int i = 0; i < kActionImageCount; ++i) {
            TPixels px = Paint(i, size);
            int opaque = 0, clear = 0;
            for (auto p : px) {
                opaque += Alpha(p) == 255;
                clear += Alpha(p) == 0;
            }
            double area = static_cast<double>(size) * size;
            EXPECT_GT(opaque, area * 0.15) << "image " << i << " at " << size;
            EXPECT_LT(opaque, area) << "image " << i << " fills its whole square at " << size;
            EXPECT_GT(clear, 0) << "image " << i << " has no transparent background at " << size;
        }
    }
}

TEST(AppActionImages, UnknownIndexOrSizeDrawsNothing) {
    TPixels px(16 * 16, 0x12345678);
    EXPECT_FALSE(PaintActionImage(kActionImageCount, 16, px.data()));
    for (auto p : px) ASSERT_EQ(p, 0u);
    EXPECT_FALSE(PaintActionImage(-1, 16, px.data()));
    EXPECT_FALSE(PaintActionImage(0, 0, px.data()));
    EXPECT_FALSE(PaintActionImage(0, 16, nullptr));
}

TEST(AppActionImages, GlyphsDifferFromEachOther) {
    std::vector<TPixels> all;
    for (int i = 0; i < kActionImageCount; ++i) all.push_back(Paint(i, 16));
    for (int i = 0; i < kActionImageCount; ++i) {
        for (int j = i + 1; j < kActionImageCount; ++j) {
            int differing = 0;
            for (std::size_t k = 0; k < all[i].size(); ++k) {
                auto a = all[i][k], b = all[j][k];
                int d = std::abs(Alpha(a) - Alpha(b)) + std::abs(int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF)) +
                        std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF)) + std::abs(int(a & 0xFF) - int(b & 0xFF));
                differing += d > 60;
            }
            EXPECT_GT(differing, 12) << "images " << i << " and " << j << " look alike";
        }
    }
}

TEST(AppActionImages, LightsAndBlocksHaveTheirColours) {
    double r, g, b;
    MeanColour(Paint(aiRedLight, 16), r, g, b);
    EXPECT_GT(r, 2 * g);
    EXPECT_GT(r, 2 * b);
    MeanColour(Paint(aiGreenLight, 16), r, g, b);
    EXPECT_GT(g, 1.5 * r);
    EXPECT_GT(g, 1.5 * b);
    MeanColour(Paint(aiYellowLight, 16), r, g, b);
    EXPECT_GT(r, 2 * b);
    EXPECT_GT(g, 2 * b);
    MeanColour(Paint(aiBlocks, 16), r, g, b);
    EXPECT_GT(g, 2 * r);
    EXPECT_GT(b, 2 * r);
    // The crossed-out blocks keep cyan and add strongly red pixels.
    auto count = [](const TPixels& px, int& red, int& cyan) {
        red = cyan = 0;
        for (auto p : px) {
            int pr = (p >> 16) & 0xFF, pg = (p >> 8) & 0xFF, pb = p & 0xFF;
            if (Alpha(p) < 200) continue;
            red += pr > 180 && pg < 90 && pb < 90;
            cyan += pr < 60 && pg > 150 && pb > 150;
        }
    };
    int red, cyan, plainRed, plainCyan;
    count(Paint(aiBlocks, 16), plainRed, plainCyan);
    count(Paint(aiBlocksCrossed, 16), red, cyan);
    EXPECT_EQ(plainRed, 0);
    EXPECT_GT(red, 10);
    EXPECT_GT(cyan, plainCyan / 3);
}

TEST(AppActionImages, LightsAreRoundWithClearCorners) {
    for (int size : {16, 24, 32}) {
        TPixels px = Paint(aiGreenLight, size);
        EXPECT_EQ(Alpha(px[0]), 0);
        EXPECT_EQ(Alpha(px[size - 1]), 0);
        EXPECT_EQ(Alpha(px[(size - 1) * size]), 0);
        EXPECT_EQ(Alpha(px[size * size / 2 + size / 2]), 255);
    }
}

TEST(AppActionImages, ScaledGlyphsKeepTheirShape) {
    // The 32-pixel glyph, reduced to 16 by averaging 2 x 2 blocks, matches the 16-pixel one.
    for (int i = 0; i < kActionImageCount; ++i) {
        TPixels small = Paint(i, 16), large = Paint(i, 32);
        int off = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                int a = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) a += Alpha(large[(2 * y + dy) * 32 + 2 * x + dx]);
                off += std::abs(a / 4 - Alpha(small[y * 16 + x])) > 128;
            }
        }
        EXPECT_LT(off, 16) << "image " << i;
    }
}

TEST(AppActionImages, RectanglesStaySharpAtOneAndAHalfTimes) {
    // The disk drive is all rectangles: at 24 pixels no pixel is half covered.
    TPixels px = Paint(aiDiskDrive, 24);
    for (auto p : px) EXPECT_TRUE(Alpha(p) == 0 || Alpha(p) == 255);
}

TEST(AppFindFolderFrames, FramesMoveAndRepeat) {
    const int w = 80, h = 50;
    auto frame = [&](int i) {
        TPixels px(w * h, 0xDEADBEEF);
        PaintFindFolderFrame(i, w, h, px.data());
        return px;
    };
    TPixels first = frame(0);
    int opaque = 0;
    for (auto p : first) opaque += Alpha(p) > 0;
    EXPECT_GT(opaque, w * h / 5);
    EXPECT_LT(opaque, w * h);
    EXPECT_EQ(frame(kFindFolderFrameCount), first);
    EXPECT_EQ(frame(-kFindFolderFrameCount), first);
    for (int i = 1; i < kFindFolderFrameCount; ++i) EXPECT_NE(frame(i), frame(i - 1)) << i;
    // A larger size draws the same picture, not a cut-out of it: four times the covered area.
    auto covered = [](const TPixels& px) {
        int n = 0;
        for (auto p : px) n += Alpha(p) > 127;
        return n;
    };
    TPixels big(160 * 100);
    PaintFindFolderFrame(3, 160, 100, big.data());
    int small = covered(frame(3));
    EXPECT_NEAR(covered(big), 4 * small, small / 5);
}

TEST(AppGlyphPainter, ShapesCoverTheirArea) {
    TPixels px(32 * 32, 0);
    TGlyphPainter c(32, 32, px.data(), 32);
    c.FillEllipse(16, 16, 10, 10, Argb(255, 0, 0));
    int covered = 0;
    for (auto p : px) covered += Alpha(p) > 127;
    EXPECT_NEAR(covered, 3.14159 * 100, 12);
    c.EraseEllipse(16, 16, 5, 5);
    EXPECT_EQ(Alpha(px[16 * 32 + 16]), 0);
    EXPECT_EQ(Alpha(px[16 * 32 + 24]), 255);
    c.FillPolygon({{0, 0}, {8, 0}, {0, 8}}, Argb(0, 0, 255, 128));
    EXPECT_EQ(px[1 * 32 + 1], Argb(0, 0, 255, 128));  // half-transparent over transparent keeps its colour
    c.FillRect(0, 30, 32, 32, Argb(0, 255, 0));
    c.FillRect(0, 30, 32, 32, Argb(0, 0, 255, 128));  // blended half over green
    std::uint32_t mixed = px[31 * 32];
    EXPECT_EQ(Alpha(mixed), 255);
    EXPECT_NEAR(int((mixed >> 8) & 0xFF), 127, 2);
    EXPECT_NEAR(int(mixed & 0xFF), 128, 2);
}

TEST(AppGlyphPainter, LinesAndOutlinesCoverWhatTheySay) {
    auto covered = [](const TPixels& px) {
        double n = 0;
        for (auto p : px) n += Alpha(p) / 255.0;
        return n;
    };
    struct TCase {
        const char* What;
        std::vector<TGlyphPoint> Points;
        double Width;  // 0: fill the outline instead of stroking it
        double Area;   // in pixels, on a 40 x 40 grid of one unit per pixel; 0: only the centre is checked
    };
    const TCase cases[] = {
        // Round ends: the length times the width, plus one round end's disc.
        {"horizontal line", {{10, 20}, {30, 20}}, 4, 20 * 4 + 3.14159 * 4},
        {"diagonal line", {{8, 8}, {30, 30}}, 2, 22 * 1.41421 * 2 + 3.14159},
        {"single point", {{20, 20}}, 6, 3.14159 * 9},
        // A right angle: the joint is round, not doubled.
        {"bent line", {{10, 10}, {30, 10}, {30, 30}}, 4, 40 * 4 + 3.14159 * 4},
        {"triangle", {{0, 0}, {40, 0}, {0, 40}}, 0, 800},
        // A five-pointed star drawn in one stroke overlaps itself; its centre fills too.
        {"star", TGlyphPainter::Arc(20, 20, 18, 18, -90, 630, 5), 0, 0},
    };
    for (const TCase& c : cases) {
        TPixels px(40 * 40, 0);
        TGlyphPainter painter(40, 40, px.data(), 40);
        if (c.Width > 0) {
            painter.StrokeLine(c.Points, c.Width, Argb(0, 0, 0));
            EXPECT_NEAR(covered(px), c.Area, c.Area * 0.08) << c.What;
        } else {
            painter.FillPolygon(c.Points, Argb(0, 0, 0));
            if (c.Area > 0) {
                EXPECT_NEAR(covered(px), c.Area, c.Area * 0.05) << c.What;
            } else {
                EXPECT_EQ(Alpha(px[20 * 40 + 20]), 255) << c.What;  // the star's centre
            }
        }
    }
}

TEST(AppGlyphPainter, PaintsStayInsideTheImageAndBlendInOrder) {
    // Shapes reaching past the edges are cut there; a later shape goes over an earlier one.
    TPixels px(20 * 10, 0);
    TGlyphPainter painter(20, 10, px.data(), 20);
    painter.FillEllipse(0, 0, 30, 30, Argb(255, 0, 0));
    painter.StrokeLine({{-5, 5}, {25, 5}}, 2, Argb(0, 0, 255));
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(px[5 * 20 + x], Argb(0, 0, 255)) << x;
        EXPECT_EQ(px[0 * 20 + x], Argb(255, 0, 0)) << x;
    }
}

TEST(AppActionImages, ScreenshotOfAllGlyphs) {
    VS_SCREENSHOT_ONLY();
    // Rows at 16, 24 and 32 pixels, every glyph over a light background, enlarged four times.
    const int zoom = 4, gap = 8, sizes[] = {16, 24, 32};
    int width = gap + kActionImageCount * (32 + gap), height = gap;
    for (int s : sizes) height += s + gap;
    TPixels sheet(static_cast<std::size_t>(width) * height, 0xF0F0F0);
    int top = gap;
    for (int s : sizes) {
        for (int i = 0; i < kActionImageCount; ++i) {
            TPixels px = Paint(i, s);
            int left = gap + i * (32 + gap);
            for (int y = 0; y < s; ++y) {
                for (int x = 0; x < s; ++x) {
                    std::uint32_t p = px[y * s + x], bg = 0xF0F0F0;
                    double a = Alpha(p) / 255.0;
                    auto mix = [&](int sh) {
                        return static_cast<std::uint32_t>(
                                   std::lround(((p >> sh) & 0xFF) * a + ((bg >> sh) & 0xFF) * (1 - a)))
                               << sh;
                    };
                    sheet[(top + y) * width + left + x] = mix(16) | mix(8) | mix(0);
                }
            }
        }
        top += s + gap;
    }
    TPixels big(sheet.size() * zoom * zoom);
    for (int y = 0; y < height * zoom; ++y)
        for (int x = 0; x < width * zoom; ++x) big[y * width * zoom + x] = sheet[(y / zoom) * width + x / zoom];
    ASSERT_TRUE(vstest::SavePng(vstest::ScreenshotPath("action-images"), width * zoom, height * zoom, big.data()));
}

}  // namespace
