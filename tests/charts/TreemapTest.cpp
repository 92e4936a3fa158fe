// The treemap's layout, shading, hit test and type colours, laid out from scan trees that the
// folder-size service filled by walking a fake disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "chart/ChartUtils.h"
#include "chart/PieSeries.h"
#include "charts/Treemap.h"
#include "shell/FakeListing.h"
#include "shell/FolderSize.h"

namespace {

using vstest::TFakeLister;
using vstest::TFakeVolumes;

struct TFile {
    std::string Path;  // below c:\m
    std::int64_t Size;
};

// A fake disk, walked by the service into its scan tree as the program's walks do.
class TTreemapFixture {
public:
    TFakeLister Lister;
    TFakeVolumes Volumes;
    TFolderSizeService Service{Lister, Volumes};

    TTreemapFixture() {
        Volumes.SetDrive('C', 4096);
        Service.SetThreads(1);
    }
    void Add(const std::vector<TFile>& files) {
        Lister.AddFolder("c:\\m");
        for (const TFile& f : files) {
            if (f.Path.back() == '\\')
                Lister.AddFolder("c:\\m\\" + f.Path.substr(0, f.Path.size() - 1));
            else
                Lister.AddFile("c:\\m\\" + f.Path, f.Size);
        }
    }
    void Walk(const std::string& mask = "*") { Service.Totals("c:\\m", mask); }
    TTreemapState Build(TTreemap& map, int w, int h, TChartMetric metric = TChartMetric::cmSize,
                        const std::string& mask = "*", std::function<TColor(std::string_view)> colors = {}) {
        TScanReader reader(Service.ScanTree());
        TTreemapOptions o;
        o.Width = w;
        o.Height = h;
        o.Metric = metric;
        o.Mask = mask;
        o.ColorOf = std::move(colors);
        return map.Build(reader, reader.Find(Service.CacheKey("c:\\m")), o);
    }
    std::string Path(const TTreemap& map, int tile) {
        TScanReader reader(Service.ScanTree());
        return map.TilePath(reader, map.Tiles()[tile], '\\');
    }
};

// The index of each tile's parent: the last tile before it one level up.
std::vector<int> Parents(const std::vector<TTreemapTile>& tiles) {
    std::vector<int> parents(tiles.size(), -1), last;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const std::size_t d = tiles[i].Depth;
        if (d > 0) parents[i] = last.at(d - 1);
        last.resize(d + 1);
        last[d] = static_cast<int>(i);
    }
    return parents;
}

double Aspect(double w, double h) {
    return std::max(w, h) / std::min(w, h);
}

std::vector<TFile> EqualFiles(int n, std::int64_t size) {
    std::vector<TFile> files;
    for (int i = 0; i < n; ++i) files.push_back({"e\\f" + std::to_string(i) + ".dat", size});
    return files;
}

struct TLayoutCase {
    const char* Name;
    std::vector<TFile> Files;
    int Width, Height;
    std::size_t MinTiles, MaxTiles;  // the root's tile included
};

const std::vector<TLayoutCase>& LayoutCases() {
    static const std::vector<TLayoutCase> cases = {
        {"mixed",
         {{"a.txt", 5000},
          {"b.jpg", 3000},
          {"s\\c.jpg", 12000},
          {"s\\d.bin", 700},
          {"s\\t\\e.txt", 9000},
          {"s\\t\\f.gz", 100},
          {"u\\g.doc", 2500}},
         400,
         300,
         10,
         12},
        {"zero-sized files and empty folders",
         {{"empty\\", 0}, {"z.txt", 0}, {"deep\\er\\", 0}, {"deep\\zero.bin", 0}, {"one.txt", 10}},
         200,
         100,
         2,
         2},
        {"a single huge file among tiny ones",
         {{"huge.iso", 4'000'000'000'000}, {"t1.txt", 1}, {"x\\t2.txt", 2}, {"x\\t3.txt", 3}},
         1000,
         700,
         2,
         2},
        {"a thin leftover strip", {{"big.bin", 940}, {"mid.bin", 50}, {"small.bin", 10}}, 100, 10, 3, 3},
        {"100,000 equal files", EqualFiles(100000, 4096), 1000, 700, 2, 2},
        {"100,000 equal files on a large map", EqualFiles(100000, 4096), 3000, 2000, 50000, 100002},
    };
    return cases;
}

}  // namespace

// Tiles lie inside their folder's tile, siblings never overlap, every side is at least 3 pixels and each
// file's area is its share of the map within the rounding of its edges.
TEST(Treemap, LayoutInvariantsHoldOnATableOfTrees) {
    for (const TLayoutCase& c : LayoutCases()) {
        SCOPED_TRACE(c.Name);
        TTreemapFixture fx;
        fx.Add(c.Files);
        fx.Walk();
        TTreemap map;
        ASSERT_EQ(fx.Build(map, c.Width, c.Height), TTreemapState::Ready);
        const auto& tiles = map.Tiles();
        EXPECT_GE(tiles.size(), c.MinTiles);
        EXPECT_LE(tiles.size(), c.MaxTiles);
        std::int64_t total = 0;
        for (const TFile& f : c.Files) total += f.Size;
        ASSERT_EQ(map.Total(), total);
        if (tiles.empty()) continue;
        EXPECT_EQ(tiles[0].X1 - tiles[0].X0, c.Width);
        EXPECT_EQ(tiles[0].Y1 - tiles[0].Y0, c.Height);

        const std::vector<int> parents = Parents(tiles);
        // Each pixel is covered by at most one tile per (parent, depth): counted per depth.
        std::vector<std::vector<std::uint8_t>> cover;
        const double pixels = static_cast<double>(c.Width) * c.Height;
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            const TTreemapTile& t = tiles[i];
            ASSERT_GE(t.X1 - t.X0, 3);
            ASSERT_GE(t.Y1 - t.Y0, 3);
            if (parents[i] >= 0) {
                const TTreemapTile& p = tiles[parents[i]];
                ASSERT_TRUE(t.X0 >= p.X0 && t.Y0 >= p.Y0 && t.X1 <= p.X1 && t.Y1 <= p.Y1) << i;
                ASSERT_EQ(p.File, TTreemapTile::kFolderTile);
            }
            if (cover.size() <= t.Depth) cover.resize(t.Depth + 1, std::vector<std::uint8_t>(c.Width * c.Height));
            for (int y = t.Y0; y < t.Y1; ++y)
                for (int x = t.X0; x < t.X1; ++x) ASSERT_EQ(cover[t.Depth][y * c.Width + x]++, 0) << i;
            const double expected = static_cast<double>(t.Value) / static_cast<double>(total) * pixels;
            const double area = static_cast<double>(t.X1 - t.X0) * (t.Y1 - t.Y0);
            EXPECT_NEAR(area, expected, (t.X1 - t.X0) + (t.Y1 - t.Y0) + 1.0) << i;
        }
    }
}

// The named cases' own shapes: what is tiled, and what is left to the folder.
TEST(Treemap, SmallAndEmptyThingsMakeNoTiles) {
    TTreemapFixture fx;
    fx.Add({{"huge.iso", 4'000'000'000'000}, {"t1.txt", 1}, {"x\\t2.txt", 2}});
    fx.Walk();
    TTreemap map;
    ASSERT_EQ(fx.Build(map, 1000, 700), TTreemapState::Ready);
    ASSERT_EQ(map.Tiles().size(), 2u);
    EXPECT_EQ(fx.Path(map, 1), "c:\\m\\huge.iso");
    EXPECT_EQ(map.Files(), 3);

    // Nothing with a size: no tile, not even the folder's.
    TTreemapFixture zero;
    zero.Add({{"empty\\", 0}, {"z.txt", 0}});
    zero.Walk();
    ASSERT_EQ(zero.Build(map, 200, 100), TTreemapState::Ready);
    EXPECT_TRUE(map.Tiles().empty());
    EXPECT_EQ(map.Files(), 1);
}

// Squarified rows give tiles closer to squares than slicing the map by the same figures.
TEST(Treemap, SquarifiedAspectRatiosBeatSliceAndDice) {
    struct TCase {
        std::vector<double> Areas;
        double W, H;
    };
    const std::vector<TCase> cases = {
        {{6, 6, 4, 3, 2, 2, 1}, 6, 4},  // the paper's example
        {{50, 20, 10, 10, 5, 3, 1, 1}, 20, 5},
        {std::vector<double>(40, 25), 50, 20},
    };
    for (const TCase& c : cases) {
        std::vector<double> rects;
        SquarifyRect(c.Areas, 0, 0, c.W, c.H, rects);
        double squarified = 0, sliced = 0;
        for (std::size_t i = 0; i < c.Areas.size(); ++i) {
            const double* r = &rects[i * 4];
            EXPECT_NEAR((r[2] - r[0]) * (r[3] - r[1]), c.Areas[i], 1e-9);
            squarified += Aspect(r[2] - r[0], r[3] - r[1]);
            sliced += Aspect(c.Areas[i] / c.H, c.H);
        }
        EXPECT_LT(squarified, sliced);
    }
    // The paper's worked example: rows of 2 (6, 6), then 4 and 3, then the rest.
    std::vector<double> rects;
    SquarifyRect({6, 6, 4, 3, 2, 2, 1}, 0, 0, 6, 4, rects);
    EXPECT_DOUBLE_EQ(rects[2], 3.0);                            // first column is 3 wide
    EXPECT_DOUBLE_EQ(rects[4 + 1], 2.0);                        // second tile below the first
    EXPECT_DOUBLE_EQ(rects[8 + 1], 0.0);                        // the next row starts at the top again
    EXPECT_NEAR(rects[8 + 3] - rects[8 + 1], 7.0 / 3.0, 1e-9);  // 4 and 3 share the 3 wide side
    EXPECT_NEAR(rects[8 + 2] - rects[8 + 0], 4.0 / 7.0 * 3.0, 1e-9);
}

// The mask and the metric decide what is tiled and how large.
TEST(Treemap, MaskAndMetricFollowTheChart) {
    TTreemapFixture fx;
    fx.Add({{"a.jpg", 3000}, {"b.txt", 5000}, {"s\\c.jpg", 1000}});  // the largest file does not match
    fx.Walk("*.jpg");
    TTreemap map;
    ASSERT_EQ(fx.Build(map, 400, 200, TChartMetric::cmSize, "*.jpg"), TTreemapState::Ready);
    EXPECT_EQ(map.Total(), 4000);
    ASSERT_EQ(map.Tiles().size(), 4u);  // the folder, s, and the two pictures
    for (int i = 0; i < 4; ++i) EXPECT_NE(fx.Path(map, i), "c:\\m\\b.txt");
    // Used space is cluster-rounded (the fake drive has 4096-byte clusters).
    ASSERT_EQ(fx.Build(map, 400, 200, TChartMetric::cmSlack), TTreemapState::Ready);
    EXPECT_EQ(map.Total(), 4 * 4096);
    ASSERT_EQ(fx.Build(map, 400, 200, TChartMetric::cmCount), TTreemapState::Ready);
    EXPECT_EQ(map.Total(), 3);
}

// A folder the tree does not hold whole is not laid out; once walked it is, and building reads no folder.
TEST(Treemap, BuildsOnlyFromATreeThatHoldsTheFolderAndReadsNothing) {
    TTreemapFixture fx;
    fx.Add({{"a.txt", 100}, {"s\\b.txt", 100}});
    TTreemap map;
    EXPECT_EQ(fx.Build(map, 100, 100), TTreemapState::NotScanned);
    fx.Walk();
    const int reads = fx.Lister.ReadsTotal();
    EXPECT_EQ(fx.Build(map, 100, 100), TTreemapState::Ready);
    EXPECT_EQ(fx.Build(map, 100, 100, TChartMetric::cmSize, "*.txt"), TTreemapState::Ready);
    EXPECT_EQ(fx.Lister.ReadsTotal(), reads);
    EXPECT_EQ(map.Tiles().size(), 4u);
}

// The deepest tile at a point, on both sides of each edge.
TEST(Treemap, HitTestAtTileEdges) {
    TTreemapFixture fx;
    fx.Add({{"a.txt", 2500}, {"b.txt", 2500}});
    fx.Walk();
    TTreemap map;
    ASSERT_EQ(fx.Build(map, 100, 50), TTreemapState::Ready);
    ASSERT_EQ(map.Tiles().size(), 3u);
    struct {
        int X, Y;
        const char* Path;
    } const cases[] = {
        {0, 0, "c:\\m\\a.txt"}, {49, 49, "c:\\m\\a.txt"}, {50, 0, "c:\\m\\b.txt"}, {99, 49, "c:\\m\\b.txt"},
        {100, 10, nullptr},     {10, 50, nullptr},        {-1, 0, nullptr},        {0, -1, nullptr},
    };
    for (const auto& c : cases) {
        const int tile = map.HitTest(c.X, c.Y);
        if (!c.Path) {
            EXPECT_EQ(tile, -1) << c.X << "," << c.Y;
            continue;
        }
        ASSERT_GE(tile, 0) << c.X << "," << c.Y;
        EXPECT_EQ(fx.Path(map, tile), c.Path) << c.X << "," << c.Y;
    }
    EXPECT_EQ(fx.Path(map, 0), "c:\\m");
}

// Pixels of a two-file map against the cushion formula worked by hand: the folder's ridge (height 0.38)
// over the whole map and each file's (0.38 * 0.91) over its half, light (-1, -1, 10).
TEST(Treemap, ShadingFollowsTheCushionFormula) {
    TTreemapFixture fx;
    fx.Add({{"a.jpg", 1000}, {"b.txt", 1000}});
    fx.Walk();
    TTreemap map;
    const TColor colour = RgbColor(200, 100, 50);
    ASSERT_EQ(fx.Build(map, 60, 40, TChartMetric::cmSize, "*", [&](std::string_view) { return colour; }),
              TTreemapState::Ready);
    ASSERT_EQ(map.Tiles().size(), 3u);
    std::vector<std::uint32_t> pixels(60 * 40);
    PaintTreemap(map, pixels.data(), 60, 1);
    // A ridge of height h over [x0, x1]: z = 4h (x - x0)(x1 - x) / (x1 - x0), dz/dx = 4h (x0 + x1 - 2x) / (x1 - x0).
    const auto slope = [](double h, double x0, double x1, double x) { return 4 * h * (x0 + x1 - 2 * x) / (x1 - x0); };
    const double h0 = 0.38, h1 = 0.38 * 0.91, l = std::sqrt(102.0);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{15, 20}, std::pair{29, 39}, std::pair{30, 0}, std::pair{45, 20},
                        std::pair{59, 39}, std::pair{40, 35}}) {
        const double px = x + 0.5, py = y + 0.5;
        const double fileX0 = x < 30 ? 0 : 30, fileX1 = x < 30 ? 30 : 60;
        const double nx = -(slope(h0, 0, 60, px) + slope(h1, fileX0, fileX1, px));
        const double ny = -(slope(h0, 0, 40, py) + slope(h1, 0, 40, py));
        const double cosa = (-nx - ny + 10) / (l * std::sqrt(nx * nx + ny * ny + 1));
        const double i = 0.13 + 0.87 * std::max(0.0, cosa);
        const std::uint32_t p = pixels[y * 60 + x];
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_NEAR((p >> 16) & 0xFF, 200 * i, 1.0);
        EXPECT_NEAR((p >> 8) & 0xFF, 100 * i, 1.0);
        EXPECT_NEAR(p & 0xFF, 50 * i, 1.0);
    }
    // Lit from the upper left: that corner of a tile is brighter than its lower right one.
    EXPECT_GT(pixels[30] >> 16 & 0xFF, pixels[60 * 40 - 1] >> 16 & 0xFF);
}

// Rows painted by several threads give the same picture as one thread.
TEST(Treemap, PaintingSplitByRowsMatchesOneThread) {
    TTreemapFixture fx;
    fx.Add(LayoutCases()[0].Files);
    fx.Walk();
    TTreemap map;
    ASSERT_EQ(fx.Build(map, 700, 500, TChartMetric::cmSize, "*",
                       [](std::string_view e) { return e == ".jpg" ? RgbColor(255, 0, 0) : RgbColor(0, 0, 255); }),
              TTreemapState::Ready);
    std::vector<std::uint32_t> one(700 * 500, 1), many(700 * 500, 2);
    PaintTreemap(map, one.data(), 700, 1);
    PaintTreemap(map, many.data(), 700, 4);
    EXPECT_TRUE(one == many);
}

// A file type gets the colour of its point in the by-type chart; the legend lists types by share.
TEST(Treemap, TypesTakeTheByTypeChartsColours) {
    auto file = [](std::string name, std::string type, std::int64_t size) {
        TChartRow r;
        r.DisplayName = name;
        r.Path = "c:\\m\\" + name;
        r.TypeName = type;
        r.IsFile = true;
        r.Size = r.UsedSize = size;
        return r;
    };
    const std::vector<TChartRow> rows = {file("a.TXT", "Text Document", 10), file("b.jpg", "JPEG image", 20),
                                         file("c.txt", "Text Document", 5), file("d.log", "Text Document", 1)};
    TPieSeries series;
    BuildChartPoints(series, rows, TChartMetric::cmSize, true);
    ASSERT_EQ(series.Count(), 2);
    TTypeColors colors(rows);
    EXPECT_EQ(colors.Of(".txt"), series.ValueColor(0));
    EXPECT_EQ(colors.Of(".log"), series.ValueColor(0));
    EXPECT_EQ(colors.Of(".jpg"), series.ValueColor(1));
    EXPECT_EQ(colors.Of(".iso"), PaletteColor(2));  // only in the subtree: the next colour
    EXPECT_EQ(colors.Of(".iso"), PaletteColor(2));
    EXPECT_EQ(colors.Of(""), PaletteColor(3));

    TTreemapFixture fx;
    fx.Add({{"a.txt", 600}, {"s\\b.jpg", 300}, {"s\\c.TXT", 200}, {"d", 100}});
    fx.Walk();
    TTreemap map;
    ASSERT_EQ(fx.Build(map, 300, 200, TChartMetric::cmSize, "*", [&](std::string_view e) { return colors.Of(e); }),
              TTreemapState::Ready);
    const std::vector<TTreemapShare> legend = map.Legend(2);
    ASSERT_EQ(legend.size(), 2u);
    EXPECT_EQ(legend[0].Extension, ".txt");
    EXPECT_DOUBLE_EQ(legend[0].Share, 800.0 / 1200.0);
    EXPECT_EQ(legend[0].Color, series.ValueColor(0));
    EXPECT_EQ(legend[1].Extension, ".jpg");
    EXPECT_EQ(legend[1].Color, series.ValueColor(1));
}
