// Times the GDI drawing of charts of 10,000 points in each chart type into a 1000 x 700 DIB
// section (run under Wine or Windows); prints the median of several drawings per type.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/PieSeries.h"
#include "ui/Graphics.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    int points = argc > 1 ? std::max(0, std::atoi(argv[1])) : 10000;
    const char* names[] = {"2D pie", "3D pie", "2D bar", "3D bar"};
    for (int type = 0; type < 4; ++type) {
        for (bool legend : {false, true}) {
            TChart chart;
            auto& pie = static_cast<TPieSeries&>(chart.AddSeries(std::make_unique<TPieSeries>()));
            auto& bar = static_cast<TBarSeries&>(chart.AddSeries(std::make_unique<TBarSeries>()));
            bar.SetActive(false);
            pie.SetActive(false);
            TChartSeries& active = type < 2 ? static_cast<TChartSeries&>(pie) : bar;
            active.SetActive(true);
            chart.SetView3D(type == 1 || type == 3);
            chart.SetOrthogonal(type == 3);
            for (int i = 0; i < points; ++i) active.Add(1000.0 + (i * 7919) % 100000, "Folder " + std::to_string(i));
            chart.Foot().SetText({"Total File Size"});
            chart.Legend().SetVisible(legend);
            TBitmap dib(1000, 700);
            std::vector<double> times;
            for (int run = 0; run < 7; ++run) {
                LARGE_INTEGER start, end;
                ::QueryPerformanceCounter(&start);
                {
                    TCanvas canvas(dib.Dc());
                    chart.Draw(canvas, 1000, 700);
                }
                ::GdiFlush();
                ::QueryPerformanceCounter(&end);
                times.push_back(Milliseconds(start, end));
            }
            std::sort(times.begin(), times.end());
            std::printf("%-7s%-9s %6d points: median %8.1f ms, best %8.1f ms\n", names[type], legend ? " legend" : "",
                        points, times[times.size() / 2], times.front());
        }
    }
    return 0;
}
