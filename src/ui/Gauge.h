#pragma once
// TGauge: a percentage bar with the percentage written across it.
#include "ui/Controls.h"
#include "ui/GaugeValues.h"

enum TGaugeKind { gkHorizontalBar, gkVerticalBar };
enum TGaugeBorder { gbNone, gbSingle };

// What the gauge looks like, apart from its numbers.
struct TGaugeLook {
    TGaugeKind Kind = gkHorizontalBar;
    bool ShowText = true;
    TGaugeBorder BorderStyle = gbSingle;
    TColor ForeColor = clBlack;
    TColor BackColor = clWhite;
};

// Draws a gauge filling `bounds` of the canvas: the border, the bar in ForeColor over BackColor in
// proportion to the percentage, and the percentage text ("37%") centred in the inner rectangle,
// inverting what lies under it so that it reads on both parts. The text is in `font` at the
// canvas's DPI, drawn without smoothing.
void PaintGauge(TCanvas& canvas, const RECT& bounds, const TGaugeValues& values, const TGaugeLook& look,
                const TFont& font);

class TGauge : public TControl {
public:
    TGauge(TComponent* owner, TWinControl* parent);

    int MinValue() const { return FValues.MinValue(); }
    int MaxValue() const { return FValues.MaxValue(); }
    int Progress() const { return FValues.Progress(); }
    int PercentDone() const { return FValues.PercentDone(); }
    // Clamped into [MinValue, MaxValue]; repaints only when the shown percentage changes.
    void SetProgress(int value);
    // Progress + amount, clamped, then repaints.
    void StepProgress(int amount);
    // Below MinValue: Exception "Value must be between %d and %d". Repaints.
    void SetMaxValue(int value);
    void SetMinValue(int value);

    const TGaugeLook& Look() const { return FLook; }
    void SetKind(TGaugeKind kind);
    void SetShowText(bool show);
    void SetBorderStyle(TGaugeBorder border);
    void SetForeColor(TColor color);
    void SetBackColor(TColor color);

    // How often the gauge asked to be repainted (for checking that it repaints only on change).
    int RepaintCount() const { return FRepaints; }

protected:
    void Paint(TCanvas& canvas) override;

private:
    void Changed();

    TGaugeValues FValues;
    TGaugeLook FLook;
    int FRepaints = 0;
};
