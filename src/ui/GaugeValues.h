#pragma once
// The numbers of a percentage gauge: minimum, maximum and progress, with the clamping and the
// percentage rule of the gauge control. Portable, so the rules are tested on every host.
#include <cstdint>

class TGaugeValues {
public:
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    int Progress() const { return FProgress; }

    // Sets the progress, clamped into [MinValue, MaxValue]. Returns true when the shown
    // percentage changed, that is when the gauge must be repainted.
    bool SetProgress(int value);
    // Progress + amount, clamped the same way (no overflow for any amount). Returns true when
    // the percentage changed.
    bool StepProgress(int amount);
    // Throws Exception("Value must be between <MinValue + 1> and 2147483647") when value is below
    // MinValue; otherwise lowers the progress to the new maximum when needed.
    void SetMaxValue(int value);
    // Throws Exception("Value must be between -2147483648 and <MaxValue - 1>") when value is above
    // MaxValue; otherwise raises the progress to the new minimum when needed.
    void SetMinValue(int value);

    // trunc((Progress - MinValue) * 100 / (MaxValue - MinValue)), 0 when the two limits are equal.
    int PercentDone() const;

private:
    int FMinValue = 0;
    int FMaxValue = 100;
    int FProgress = 0;
};
