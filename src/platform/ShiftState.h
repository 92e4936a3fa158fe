#pragma once
// Modifier keys and mouse buttons held during a key or mouse event, shared by the window
// framework (keyboard shortcuts, mouse events) and the portable chart engine (its mouse handling).
// Portable: no system headers.

// A set of the flags below. The low three bits are also the modifier part of a shortcut.
using TShiftState = unsigned;
enum TShiftStateFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,     // left mouse button held
    ssRight = 16,   // right mouse button held
    ssMiddle = 32,  // middle mouse button held
    ssDouble = 64,  // the button press is the second of a double click
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
