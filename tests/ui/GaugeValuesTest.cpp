// The gauge's numbers: clamping, the percentage rule and the range error.
#include <gtest/gtest.h>

#include <climits>

#include "platform/Exception.h"
#include "ui/GaugeValues.h"

namespace {

std::string ErrorOf(void (TGaugeValues::*set)(int), TGaugeValues& g, int value) {
    try {
        (g.*set)(value);
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

TEST(UiGaugeValues, StartsAtZeroOfHundred) {
    TGaugeValues g;
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.PercentDone(), 0);
}

TEST(UiGaugeValues, PercentIsTruncatedAndZeroForAnEmptyRange) {
    TGaugeValues g;
    g.SetMaxValue(0);
    EXPECT_EQ(g.PercentDone(), 0);
    g.StepProgress(1);  // clamped to the maximum, which equals the minimum
    EXPECT_EQ(g.Progress(), 0);
    EXPECT_EQ(g.PercentDone(), 0);
    g.SetMaxValue(3);
    g.SetProgress(1);
    EXPECT_EQ(g.PercentDone(), 33);
    g.SetProgress(2);
    EXPECT_EQ(g.PercentDone(), 66);  // 66.67 truncates
    g.SetMaxValue(1000);
    g.SetProgress(999);
    EXPECT_EQ(g.PercentDone(), 99);
}

TEST(UiGaugeValues, SteppingPastTheMaximumStaysAtHundred) {
    TGaugeValues g;
    g.SetMaxValue(3);
    for (int i = 0; i < 5; ++i) g.StepProgress(1);
    EXPECT_EQ(g.Progress(), 3);
    EXPECT_EQ(g.PercentDone(), 100);
    g.StepProgress(INT_MAX);  // no wrap-around
    EXPECT_EQ(g.Progress(), 3);
    g.StepProgress(INT_MIN);
    EXPECT_EQ(g.Progress(), 0);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
}

TEST(UiGaugeValues, ChangeIsReportedOnlyWhenThePercentageChanges) {
    TGaugeValues g;
    g.SetMaxValue(1000);
    EXPECT_FALSE(g.SetProgress(5));  // 0.5 % still shows 0 %
    EXPECT_TRUE(g.SetProgress(10));  // 1 %
    EXPECT_FALSE(g.StepProgress(5));
    EXPECT_TRUE(g.StepProgress(5));  // 2 %
    EXPECT_FALSE(g.SetProgress(20));
    g.SetMaxValue(20);
    EXPECT_FALSE(g.StepProgress(1));  // already 100 %
}

TEST(UiGaugeValues, MaximumBelowMinimumIsRefusedWithTheRange) {
    TGaugeValues g;
    EXPECT_EQ(ErrorOf(&TGaugeValues::SetMaxValue, g, -1), "Value must be between 1 and 2147483647");
    EXPECT_EQ(g.MaxValue(), 100);
    g.SetMinValue(10);
    EXPECT_EQ(ErrorOf(&TGaugeValues::SetMaxValue, g, 9), "Value must be between 11 and 2147483647");
    g.SetMaxValue(10);  // equal to the minimum is allowed
    EXPECT_EQ(g.PercentDone(), 0);
    g.SetMaxValue(INT_MAX);
    g.SetMinValue(INT_MAX);
    // MinValue + 1 would not fit an int: the text still gives it.
    EXPECT_EQ(ErrorOf(&TGaugeValues::SetMaxValue, g, 0), "Value must be between 2147483648 and 2147483647");
}

TEST(UiGaugeValues, LimitsPullTheProgressAlong) {
    TGaugeValues g;
    g.SetProgress(80);
    g.SetMaxValue(50);
    EXPECT_EQ(g.Progress(), 50);
    EXPECT_EQ(g.PercentDone(), 100);
    g.SetMinValue(-50);
    EXPECT_EQ(g.Progress(), 50);
    EXPECT_EQ(ErrorOf(&TGaugeValues::SetMinValue, g, 51), "Value must be between -2147483648 and 49");
    g.SetMinValue(50);
    EXPECT_EQ(g.Progress(), 50);
    g.SetMaxValue(200);
    g.SetMinValue(60);
    EXPECT_EQ(g.Progress(), 60);
}

TEST(UiGaugeValues, WholeIntRangeHasNoOverflow) {
    TGaugeValues g;
    g.SetMaxValue(INT_MAX);
    g.SetMinValue(INT_MIN);
    g.SetProgress(0);
    EXPECT_EQ(g.PercentDone(), 50);  // 2147483648 of 4294967295
    g.SetProgress(INT_MAX);
    EXPECT_EQ(g.PercentDone(), 100);
}

}  // namespace
