#pragma once
// The rounded outline shared by the splash and the about window, and their version text.
#include <windows.h>

#include <functional>
#include <string>

class TForm;

// Makes the region of a rounded rectangle over (0, 0)-(width, height) with corner ellipses
// cornerW x cornerH. Replaceable, so that the failure path can be shown.
using TRegionMaker = std::function<HRGN(int width, int height, int cornerW, int cornerH)>;
TRegionMaker& RoundRegionMaker();

// Gives the form the rounded shape (40-pixel corner ellipses at 96 DPI, scaled). When the region
// cannot be made or applied, shows the warning "Region error" (unless `quiet`) and leaves the form
// rectangular. Returns whether the shape was applied.
bool ApplyRoundedShape(TForm& form, bool quiet = false);

// Keeps the form's rounded shape in step with its size (a move to a monitor with another DPI
// rescales the window; the old region would cut it off). Call once, after the first shaping.
void KeepRoundedShape(TForm& form);

// "Version " followed by the file version of the program's own version record (string table
// 0C09 04E4); "Version " alone when the record cannot be read.
std::string ProgramVersionText();
