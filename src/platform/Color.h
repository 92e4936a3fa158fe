#pragma once
// Colours as the program stores them: 32-bit values with red in the low byte, green in the middle
// byte and blue in the high byte (the layout of a Win32 COLORREF).
#include <cstdint>

using TColor = std::uint32_t;

constexpr TColor RgbColor(int r, int g, int b) {
    return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) | (static_cast<TColor>(b & 0xFF) << 16);
}
constexpr int RedOf(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr TColor clBlack = RgbColor(0, 0, 0);
constexpr TColor clWhite = RgbColor(255, 255, 255);
constexpr TColor clNavy = RgbColor(0, 0, 128);
constexpr TColor clBlue = RgbColor(0, 0, 255);
constexpr TColor clRed = RgbColor(255, 0, 0);
constexpr TColor clGray = RgbColor(128, 128, 128);
constexpr TColor clSilver = RgbColor(192, 192, 192);
// "No colour": a marker, never drawn as such.
constexpr TColor clNone = 0x1FFFFFFFu;
