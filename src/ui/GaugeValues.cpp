#include "ui/GaugeValues.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/Exception.h"

namespace {

std::string RangeError(std::int64_t low, std::int64_t high) {
    return "Value must be between " + std::to_string(low) + " and " + std::to_string(high);
}

}  // namespace

bool TGaugeValues::SetProgress(int value) {
    int before = PercentDone();
    FProgress = std::clamp(value, FMinValue, FMaxValue);
    return PercentDone() != before;
}

bool TGaugeValues::StepProgress(int amount) {
    // Summed in 64 bits: a large step clamps to the maximum instead of wrapping.
    std::int64_t sum = static_cast<std::int64_t>(FProgress) + amount;
    return SetProgress(static_cast<int>(std::clamp<std::int64_t>(sum, FMinValue, FMaxValue)));
}

void TGaugeValues::SetMaxValue(int value) {
    if (value < FMinValue) throw Exception(RangeError(static_cast<std::int64_t>(FMinValue) + 1, INT_MAX));
    FMaxValue = value;
    if (FProgress > FMaxValue) FProgress = FMaxValue;
}

void TGaugeValues::SetMinValue(int value) {
    if (value > FMaxValue) throw Exception(RangeError(INT_MIN, static_cast<std::int64_t>(FMaxValue) - 1));
    FMinValue = value;
    if (FProgress < FMinValue) FProgress = FMinValue;
}

int TGaugeValues::PercentDone() const {
    if (FMaxValue == FMinValue) return 0;
    double done = (static_cast<double>(FProgress) - FMinValue) * 100.0 / (static_cast<double>(FMaxValue) - FMinValue);
    return static_cast<int>(done);  // truncates toward zero
}
