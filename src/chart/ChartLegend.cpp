#include "chart/ChartLegend.h"

#include <algorithm>

#include "chart/Chart.h"
#include "chart/ChartSeries.h"
#include "chart/ChartUtils.h"

void TChartLegend::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    FOwner.Changed();
}

void TChartLegend::CalcLayout(TChartCanvas& canvas, const TScreenRect& inner, int panelHeight, int chartBottom,
                              const TChartSeries* series) {
    FRect = {};
    FTexts.clear();
    FColors.clear();
    if (!FVisible || !series || series->Count() == 0 || inner.IsEmpty()) return;

    canvas.SetFont(Font);
    FRowHeight = std::max(1, canvas.TextHeight("W"));
    int top = RoundToInt(TopPercent * panelHeight / 100.0);
    // One pixel of frame above the first row.
    FRowsTop = top + FrameWidth;
    int room = chartBottom - FrameWidth - FRowsTop;
    int rows = room > 0 ? std::min(room / FRowHeight, series->Count()) : 0;
    if (rows <= 0) return;

    int widest = 0;
    for (int i = 0; i < rows; ++i) {
        std::string text = series->LegendText(i);
        FOwner.DoGetLegendText(i, text);
        widest = std::max(widest, canvas.TextWidth(text));
        FTexts.push_back(std::move(text));
        FColors.push_back(series->ValueColor(i));
    }
    int right = inner.Right - (FrameWidth + 1) - ShadowSize;
    FTextRight = right - 2;
    // A legend never reaches past the inner rectangle's left edge: long texts are cut instead.
    // The box grows with the text, so the text gets what is left of the room after it.
    int textRoom = FTextRight - 8 - inner.Left;
    int textWidth = widest;
    if (textWidth + 8 + RoundToInt((textWidth + 10) * ColorWidthPercent / 100.0) > FTextRight - inner.Left)
        textWidth =
            std::max(0, static_cast<int>((textRoom - ColorWidthPercent / 10.0 - 1) * 100 / (100 + ColorWidthPercent)));
    int boxWidth = RoundToInt((textWidth + 10) * ColorWidthPercent / 100.0);
    FTextLeft = FTextRight - textWidth;
    FBoxRight = FTextLeft - 4;
    FBoxLeft = FBoxRight - boxWidth;
    FRect = {FBoxLeft - 4, top, right, FRowsTop + rows * FRowHeight + FrameWidth};
    if (FRect.IsEmpty() || FRect.Left < inner.Left) {
        FRect = {};
        FTexts.clear();
        FColors.clear();
    }
}

void TChartLegend::Draw(TChartCanvas& canvas) const {
    if (FTexts.empty()) return;
    TScreenRect shadow{FRect.Left + ShadowSize, FRect.Top + ShadowSize, FRect.Right + ShadowSize,
                       FRect.Bottom + ShadowSize};
    if (ShadowSize > 0) canvas.FillRect(shadow, clBlack);
    canvas.SetPen(clBlack, FrameWidth, TPenStyle::psSolid);
    canvas.SetBrush(clWhite, false);
    canvas.Rectangle(FRect);
    canvas.SetFont(Font);
    canvas.SetPen(clBlack, 1, TPenStyle::psSolid);
    for (size_t i = 0; i < FTexts.size(); ++i) {
        int rowTop = FRowsTop + static_cast<int>(i) * FRowHeight;
        TColor color = FColors[i];
        if (color != clNone) {
            canvas.SetBrush(color, false);
            canvas.Rectangle({FBoxLeft, rowTop + 2, FBoxRight, rowTop + FRowHeight - 2});
        }
        canvas.SetClip({FTextLeft, rowTop, FTextRight + 1, rowTop + FRowHeight});
        canvas.PaintText(FTextLeft, rowTop, FTexts[i], 0);
        canvas.ClearClip();
    }
}

int TChartLegend::Clicked(int x, int y) const {
    if (FTexts.empty() || !FRect.Contains(x, y) || FRowHeight <= 0) return -1;
    if (y < FRowsTop) return -1;
    int row = (y - FRowsTop) / FRowHeight;
    return row < static_cast<int>(FTexts.size()) ? row : -1;
}
