#pragma once
// The glyphs of the command images (the tool bar, the menus and the volume lights), drawn in
// code so that they are crisp at every scale.
#include <cstdint>

// Indices of the images, as the commands name them.
enum TActionImage : int {
    aiBarChart = 0,
    aiFolderTree = 1,
    aiDiskDrive = 2,
    aiPieChart = 3,
    aiKey = 4,
    aiPrinter = 5,
    aiQuestion = 6,
    aiLetterA = 7,
    aiCross = 8,
    aiPicture = 9,
    aiFolder = 10,
    aiFolderShortcut = 11,
    aiFolderSum = 12,
    aiRedLight = 13,
    aiGreenLight = 14,
    aiYellowLight = 15,
    aiBlocks = 16,
    aiBlocksCrossed = 17,
    aiTreemap = 18,
};

constexpr int kActionImageCount = 19;

// Paints image `index` at `sizePx` x `sizePx` pixels into `pixels` (0xAARRGGBB, straight
// alpha, top row first), over a transparent background. Returns false, with the pixels made
// transparent, for an index outside 0..kActionImageCount - 1; does nothing for a size below 1.
bool PaintActionImage(int index, int sizePx, std::uint32_t* pixels);

// The find-folder animation drawn in code, for systems that lack their own: a magnifying glass
// circling over a folder. Frame `frame` (taken modulo kFindFolderFrameCount) is painted at
// width x height pixels (the design is 80 x 50) into `pixels` as above.
constexpr int kFindFolderFrameCount = 16;
void PaintFindFolderFrame(int frame, int width, int height, std::uint32_t* pixels);
