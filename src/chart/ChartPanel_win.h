#pragma once
// The chart panel window (Windows only): a child window that shows a TChart, draws it double
// buffered, routes mouse input to it, and can draw a snapshot of itself into a given bitmap.
#include <exception>
#include <functional>
#include <memory>

#include "chart/Chart.h"
#include "platform/WinHandle.h"

class TDibSection;

class TChartPanel {
public:
    // Creates the panel as a visible child of `parent` at the given bounds (parent client pixels).
    TChartPanel(HWND parent, int left, int top, int width, int height);
    ~TChartPanel();
    TChartPanel(const TChartPanel&) = delete;
    TChartPanel& operator=(const TChartPanel&) = delete;

    HWND Handle() const { return FWnd.Get(); }
    TChart& Chart() { return FChart; }
    void SetBounds(int left, int top, int width, int height);
    bool Visible() const;
    void SetVisible(bool value);
    int ClientWidth() const;
    int ClientHeight() const;

    // Draws through an off-screen bitmap copied to the window (on by default).
    bool BufferedDisplay = true;

    // Draws the whole panel at its client rectangle straight onto `dc`, without the off-screen
    // buffer.
    void PaintTo(HDC dc);
    // Draws a snapshot of the panel into `bitmap` (at least the client size is drawn into; a
    // smaller bitmap is clipped). Off-screen buffering is switched off for the drawing and
    // restored afterwards.
    void DrawSnapshot(HBITMAP bitmap);
    // A new device-compatible bitmap of the client size holding a snapshot (for the clipboard);
    // empty when the panel has no area.
    TBitmapHandle CreateSnapshotBitmap();

    // Errors raised by event handlers while a window message is handled end here, never in
    // Windows; without a handler they are dropped.
    std::function<void(const std::exception&)> OnError;

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint();
    void MouseDown(TMouseButton button, WPARAM wParam, LPARAM lParam);
    void MouseUp(TMouseButton button, LPARAM lParam);

    TChart FChart;
    TWindowHandle FWnd;
    std::unique_ptr<TDibSection> FBuffer;
};
