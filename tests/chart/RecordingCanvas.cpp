#include "chart/RecordingCanvas.h"

void TRecordingCanvas::SetPen(TColor color, int, TPenStyle style) {
    FPen = color;
    FPenStyle = style;
}

void TRecordingCanvas::SetBrush(TColor color, bool clear) {
    FBrush = color;
    FBrushClear = clear;
}

TRecordedCall TRecordingCanvas::Make(TRecordedCall::TKind kind) const {
    TRecordedCall c{};
    c.Kind = kind;
    c.Brush = FBrush;
    c.BrushClear = FBrushClear;
    c.Pen = FPen;
    c.PenStyle = FPenStyle;
    c.Font = FFont;
    return c;
}

void TRecordingCanvas::Polygon(const TScreenPoint* points, std::size_t count) {
    auto c = Make(TRecordedCall::Polygon);
    c.Points.assign(points, points + count);
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::Rectangle(const TScreenRect& rect) {
    auto c = Make(TRecordedCall::Rectangle);
    c.Rect = rect;
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::Pie(const TScreenRect& ellipse, TScreenPoint start, TScreenPoint end) {
    auto c = Make(TRecordedCall::Pie);
    c.Rect = ellipse;
    c.Points = {start, end};
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::FillRect(const TScreenRect& rect, TColor color) {
    auto c = Make(TRecordedCall::FillRect);
    c.Rect = rect;
    c.Brush = color;
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::Line(TScreenPoint from, TScreenPoint to) {
    auto c = Make(TRecordedCall::Line);
    c.Points = {from, to};
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::PaintText(int x, int y, std::string_view text, int angle) {
    auto c = Make(TRecordedCall::Write);
    c.Points = {{x, y}};
    c.Text = std::string(text);
    c.Angle = angle;
    Calls.push_back(std::move(c));
}

TScreenSize TRecordingCanvas::TextExtent(std::string_view text) {
    int charWidth = FFont.Height / 2 > 0 ? FFont.Height / 2 : 1;
    return {static_cast<int>(text.size()) * charWidth, FFont.Height + 3};
}

void TRecordingCanvas::SetClip(const TScreenRect& rect) {
    auto c = Make(TRecordedCall::Clip);
    c.Rect = rect;
    Calls.push_back(std::move(c));
}

void TRecordingCanvas::ClearClip() {
    Calls.push_back(Make(TRecordedCall::Unclip));
}

std::vector<TRecordedCall> TRecordingCanvas::Of(TRecordedCall::TKind kind) const {
    std::vector<TRecordedCall> out;
    for (const auto& c : Calls)
        if (c.Kind == kind) out.push_back(c);
    return out;
}

std::vector<std::string> TRecordingCanvas::Texts() const {
    std::vector<std::string> out;
    for (const auto& c : Calls)
        if (c.Kind == TRecordedCall::Write) out.push_back(c.Text);
    return out;
}
