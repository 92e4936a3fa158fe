#pragma once
// Chart pictures from bitmaps (Windows only): the pixels of a 32-bit bitmap as a picture the JPEG
// writer takes. Used by the chart's JPEG save and the HTML report's picture.
#include "charts/JpegWriter.h"

class TBitmap;

// A copy of the bitmap's pixels. Raises Exception for a bitmap without pixels.
TRgbPicture RgbPictureOf(const TBitmap& bitmap);
