#pragma once
// The chart panel (Windows only): a control of the framework that shows a TChart. It paints
// through the framework's paint path (double buffered unless BufferedDisplay is off), takes part
// in alignment, turns its mouse events into the chart's click, zoom and scroll handling, and can
// draw a snapshot of itself onto a given canvas. Errors raised by the chart's event handlers reach
// the application's standard error report.
#include <memory>

#include "chart/Chart.h"
#include "ui/Controls.h"

class TChartPanel : public TControl {
public:
    TChartPanel(TComponent* owner, TWinControl* parent);
    ~TChartPanel() override;

    TChart& Chart() { return FChart; }

    // Draws through an off-screen bitmap copied to the window (on by default).
    bool BufferedDisplay() const { return DoubleBuffered(); }
    void SetBufferedDisplay(bool on) { SetDoubleBuffered(on); }

    // Draws the whole panel at its client rectangle onto `canvas`, clipped to that rectangle.
    void PaintTo(TCanvas& canvas);
    // The snapshot for pictures and the clipboard: draws the panel onto `canvas` (a bitmap's, at
    // least of the client size; a smaller one is clipped) with buffering off, then restores it.
    void DrawSnapshot(TCanvas& canvas);
    // A new bitmap of the client size holding a snapshot; null when the panel has no area.
    std::unique_ptr<TBitmap> CreateSnapshotBitmap();

protected:
    void Paint(TCanvas& canvas) override;
    void Resized() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // Lets the mouse go unless a zoom or scroll still follows it.
    void ReleaseMouseWhenIdle();

    TChart FChart;
    // The message of a drawing that failed: reported once, and nothing is drawn until the chart
    // changes (a failing paint would otherwise report again with every repaint).
    std::string FPaintError;
    bool FPaintFailed = false;
};
