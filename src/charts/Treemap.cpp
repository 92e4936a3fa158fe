#include "charts/Treemap.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <unordered_map>

#include "chart/ChartUtils.h"
#include "shell/FolderSizeMask.h"

// The figures of every folder of the subtree for the mask and metric, summed before the layout so that
// each folder knows its share of its parent's rectangle.
struct TTreemapTotals {
    std::unordered_map<std::uint32_t, std::int64_t> Folders;
    std::int64_t Of(std::uint32_t folder) const {
        auto it = Folders.find(folder);
        return it == Folders.end() ? 0 : it->second;
    }
};

namespace {

constexpr std::uint32_t kNone = TScanFolder::kNone;

std::int64_t FileValue(const TScanFile& f, TChartMetric metric) {
    switch (metric) {
        case TChartMetric::cmSize:
        case TChartMetric::cmGrowth:  // the treemap lays out what is on disk now
            return std::max<std::int64_t>(f.Size, 0);
        case TChartMetric::cmSlack:
            return std::max<std::int64_t>(f.Allocated, 0);
        case TChartMetric::cmCount:
            return 1;
    }
    return 0;
}

// Whether a file counts: the mask asked once per extension where the extension decides.
class TMaskTest {
public:
    TMaskTest(const TScanReader& reader, std::string_view mask)
        : FReader(reader), FMask(mask), FAll(FMask.MatchesAll()), FByExtension(FMask.ByExtension()) {}
    bool Matches(const TScanFolder& folder, const TScanFile& f) {
        if (FAll) return true;
        if (!FByExtension) return FMask.Matches(folder.FileName(f));
        if (f.Extension >= FKnown.size()) FKnown.resize(FReader.ExtensionCount(), 0);
        std::uint8_t& known = FKnown[f.Extension];
        if (known == 0) known = FMask.Matches(FReader.Extension(f.Extension)) ? 1 : 2;
        return known == 1;
    }

private:
    const TScanReader& FReader;
    TFolderSizeMask FMask;
    bool FAll, FByExtension;
    std::vector<std::uint8_t> FKnown;  // by extension id: 0 not asked, 1 matches, 2 does not
};

struct TSumContext {
    const TScanReader& Reader;
    TMaskTest& Mask;
    TChartMetric Metric;
    TTreemapTotals& Totals;
    std::vector<std::int64_t>& Extensions;
    std::int64_t Files = 0;
    bool Complete = true;
};

std::int64_t SumFolder(TSumContext& c, std::uint32_t index) {
    const TScanFolder& folder = c.Reader.At(index);
    if (folder.Has(TScanFolder::kLink) || folder.Has(TScanFolder::kMissing)) return 0;
    if (!folder.Has(TScanFolder::kScanned)) {
        c.Complete = false;
        return 0;
    }
    std::int64_t sum = 0;
    const TScanFile* files = folder.Files();
    for (std::uint32_t i = 0; i < folder.FileCount; ++i) {
        if (!c.Mask.Matches(folder, files[i])) continue;
        const std::int64_t v = FileValue(files[i], c.Metric);
        sum += v;
        ++c.Files;
        if (files[i].Extension >= c.Extensions.size()) c.Extensions.resize(c.Reader.ExtensionCount(), 0);
        c.Extensions[files[i].Extension] += v;
    }
    for (std::uint32_t child = folder.FirstChild; child != kNone; child = c.Reader.At(child).NextSibling)
        sum += SumFolder(c, child);
    c.Totals.Folders[index] = sum;
    return sum;
}

double Worst(double sum, double largest, double smallest, double side) {
    const double s2 = sum * sum, w2 = side * side;
    return std::max(w2 * largest / s2, s2 / (w2 * smallest));
}

std::int16_t Pixel(double v) {
    return static_cast<std::int16_t>(std::lround(v));
}

}  // namespace

void SquarifyRect(const std::vector<double>& areas, double x0, double y0, double x1, double y1,
                  std::vector<double>& out) {
    out.assign(areas.size() * 4, 0.0);
    std::size_t i = 0;
    const std::size_t n = areas.size();
    while (i < n) {
        const double w = x1 - x0, h = y1 - y0;
        const double side = std::min(w, h);
        if (side <= 0 || areas[i] <= 0) break;  // what is left has no room: empty rectangles
        // Grow the row while its worst aspect ratio does not get worse.
        double sum = areas[i], largest = areas[i];
        double worst = Worst(sum, largest, areas[i], side);
        std::size_t j = i + 1;
        for (; j < n && areas[j] > 0; ++j) {
            const double next = Worst(sum + areas[j], largest, areas[j], side);
            if (next > worst) break;
            sum += areas[j];
            worst = next;
        }
        // The row lies along the shorter side, as thick as its area needs.
        const double thickness = std::min(sum / side, w >= h ? w : h);
        double at = w >= h ? y0 : x0;
        const double end = w >= h ? y1 : x1;
        for (std::size_t k = i; k < j; ++k) {
            const double next = k + 1 == j ? end : at + areas[k] / thickness;
            double* r = &out[k * 4];
            if (w >= h) {
                r[0] = x0, r[1] = at, r[2] = x0 + thickness, r[3] = next;
            } else {
                r[0] = at, r[1] = y0, r[2] = next, r[3] = y0 + thickness;
            }
            at = next;
        }
        if (w >= h)
            x0 += thickness;
        else
            y0 += thickness;
        i = j;
    }
}

void TTreemap::Clear() {
    FTiles.clear();
    FTiles.shrink_to_fit();
    FColors.clear();
    FColorSlots.clear();
    FExtensionTotals.clear();
    FExtensionNames.clear();
    FWidth = FHeight = 0;
    FTotal = FFiles = 0;
}

TTreemapState TTreemap::Build(const TScanReader& reader, TScanRef root, const TTreemapOptions& options) {
    Clear();
    FWidth = std::clamp(options.Width, 0, 32767);
    FHeight = std::clamp(options.Height, 0, 32767);
    FColors.push_back(options.FolderColor);
    const TScanFolder* top = reader.Folder(root);
    if (!top) return TTreemapState::NotScanned;

    TMaskTest mask(reader, options.Mask);
    TTreemapTotals totals;
    TSumContext sums{reader, mask, options.Metric, totals, FExtensionTotals};
    FTotal = SumFolder(sums, root.Index);
    FFiles = sums.Files;
    if (!sums.Complete) {
        Clear();
        return TTreemapState::NotScanned;
    }
    FExtensionNames.reserve(FExtensionTotals.size());
    for (std::size_t e = 0; e < FExtensionTotals.size(); ++e)
        FExtensionNames.emplace_back(reader.Extension(static_cast<std::uint32_t>(e)));
    if (FTotal <= 0 || FWidth < options.MinSide || FHeight < options.MinSide) return TTreemapState::Ready;

    FTiles.push_back(TTreemapTile{0, 0, static_cast<std::int16_t>(FWidth), static_cast<std::int16_t>(FHeight),
                                  root.Index, root.Serial, TTreemapTile::kFolderTile, 0, 0, FTotal});
    LayoutFolder(reader, root.Index, 0, 0, FWidth, FHeight, 0, options, totals);
    FTiles.shrink_to_fit();
    return TTreemapState::Ready;
}

std::uint16_t TTreemap::ColorSlot(const TScanReader& reader, std::uint32_t extension, const TTreemapOptions& options) {
    if (!options.ColorOf) return 0;
    if (extension >= FColorSlots.size()) FColorSlots.resize(reader.ExtensionCount(), 0);
    std::uint16_t& slot = FColorSlots[extension];
    if (slot == 0 && FColors.size() < UINT16_MAX) {
        slot = static_cast<std::uint16_t>(FColors.size());
        FColors.push_back(options.ColorOf(reader.Extension(extension)));
    }
    return slot;
}

void TTreemap::LayoutFolder(const TScanReader& reader, std::uint32_t index, double x0, double y0, double x1, double y1,
                            int depth, const TTreemapOptions& options, const TTreemapTotals& totals) {
    const TScanFolder& folder = reader.At(index);
    const std::int64_t total = totals.Of(index);
    if (total <= 0) return;
    const double scale = (x1 - x0) * (y1 - y0) / static_cast<double>(total);
    // An item under MinSide^2 pixels cannot make a tile: it is left out before sorting, and its area
    // stays free at the end of the rectangle, part of this folder's tile.
    const double least = static_cast<double>(options.MinSide) * options.MinSide;
    std::vector<TItem> items;
    for (std::uint32_t child = folder.FirstChild; child != kNone; child = reader.At(child).NextSibling) {
        const double area = static_cast<double>(totals.Of(child)) * scale;
        if (area >= least) items.push_back({area, child, true});
    }
    TMaskTest mask(reader, options.Mask);
    const TScanFile* files = folder.Files();
    for (std::uint32_t i = 0; i < folder.FileCount; ++i) {
        const double area = static_cast<double>(FileValue(files[i], options.Metric)) * scale;
        if (area >= least && mask.Matches(folder, files[i])) items.push_back({area, i, false});
    }
    if (items.empty()) return;
    std::sort(items.begin(), items.end(), [](const TItem& a, const TItem& b) { return a.Area > b.Area; });
    std::vector<double> areas(items.size()), rects;
    for (std::size_t k = 0; k < items.size(); ++k) areas[k] = items[k].Area;
    SquarifyRect(areas, x0, y0, x1, y1, rects);

    const int minSide = options.MinSide;
    const std::uint16_t childDepth = static_cast<std::uint16_t>(std::min(depth + 1, UINT16_MAX));
    for (std::size_t k = 0; k < items.size(); ++k) {
        const double* r = &rects[k * 4];
        const std::int16_t px0 = Pixel(r[0]), py0 = Pixel(r[1]), px1 = Pixel(r[2]), py1 = Pixel(r[3]);
        if (px1 - px0 < minSide || py1 - py0 < minSide) continue;  // its area shows in this folder's tile
        const TItem& item = items[k];
        if (item.IsFolder) {
            FTiles.push_back(TTreemapTile{px0, py0, px1, py1, item.Index, reader.At(item.Index).Serial,
                                          TTreemapTile::kFolderTile, childDepth, 0, totals.Of(item.Index)});
            LayoutFolder(reader, item.Index, r[0], r[1], r[2], r[3], depth + 1, options, totals);
        } else {
            const TScanFile& f = files[item.Index];
            FTiles.push_back(TTreemapTile{px0, py0, px1, py1, index, folder.Serial, item.Index, childDepth,
                                          ColorSlot(reader, f.Extension, options), FileValue(f, options.Metric)});
        }
    }
}

std::vector<TTreemapShare> TTreemap::Legend(std::size_t count) const {
    std::vector<std::uint32_t> order;
    for (std::uint32_t e = 0; e < FExtensionTotals.size(); ++e)
        if (FExtensionTotals[e] > 0) order.push_back(e);
    const std::size_t n = std::min(count, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(n), order.end(),
                      [&](std::uint32_t a, std::uint32_t b) { return FExtensionTotals[a] > FExtensionTotals[b]; });
    std::vector<TTreemapShare> shares;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t e = order[k];
        TTreemapShare s;
        s.Extension = FExtensionNames[e];
        s.Value = FExtensionTotals[e];
        s.Share = FTotal > 0 ? static_cast<double>(s.Value) / static_cast<double>(FTotal) : 0;
        s.Color = e < FColorSlots.size() && FColorSlots[e] != 0 ? FColors[FColorSlots[e]] : FColors[0];
        shares.push_back(std::move(s));
    }
    return shares;
}

int TTreemap::HitTest(int x, int y) const {
    // Pre-order: the last tile holding the point is the deepest.
    for (std::size_t i = FTiles.size(); i-- > 0;)
        if (FTiles[i].Contains(x, y)) return static_cast<int>(i);
    return -1;
}

std::string TTreemap::TilePath(const TScanReader& reader, const TTreemapTile& tile, char separator) const {
    const TScanFolder* folder = reader.Folder(TScanRef{tile.Folder, tile.Serial});
    if (!folder || (!tile.IsFolder() && tile.File >= folder->FileCount)) return {};
    // Names from the folder up to the root the tree was asked for by its full path.
    std::vector<std::string_view> names;
    std::uint32_t at = tile.Folder;
    for (;;) {
        const TScanFolder& f = reader.At(at);
        names.push_back(reader.Name(at));
        if (f.Has(TScanFolder::kRoot) || f.Parent == kNone) break;
        at = f.Parent;
    }
    std::string path;
    for (std::size_t i = names.size(); i-- > 0;) {
        if (!path.empty() && path.back() != separator) path += separator;
        path += names[i];
    }
    if (!tile.IsFolder()) {
        if (!path.empty() && path.back() != separator) path += separator;
        path += folder->FileName(folder->Files()[tile.File]);
    } else if (path.size() > 1 && path.back() == separator && path[path.size() - 2] != ':') {
        path.pop_back();  // a root's key form; a drive's root keeps its separator
    }
    return path;
}

// --- cushions

TCushion AddRidge(TCushion s, double x0, double y0, double x1, double y1, double h) {
    // A parabola over [x0, x1] that is 0 at both ends: z = 4h (x - x0)(x1 - x) / w, whose slope at the
    // edges is 4h whatever the tile's size; summed into z = A x^2 + B x (and the same in y).
    if (x1 > x0) {
        s.A -= 4 * h / (x1 - x0);
        s.B += 4 * h * (x1 + x0) / (x1 - x0);
    }
    if (y1 > y0) {
        s.C -= 4 * h / (y1 - y0);
        s.D += 4 * h * (y1 + y0) / (y1 - y0);
    }
    return s;
}

double CushionIntensity(const TCushion& s, double x, double y, const TCushionLight& light) {
    const double nx = -(2 * s.A * x + s.B), ny = -(2 * s.C * y + s.D);
    const double l = std::sqrt(light.LightX * light.LightX + light.LightY * light.LightY + light.LightZ * light.LightZ);
    const double cosa = (nx * light.LightX + ny * light.LightY + light.LightZ) / (l * std::sqrt(nx * nx + ny * ny + 1));
    return light.Ambient + light.Diffuse * std::max(0.0, cosa);
}

namespace {

// The surface of every tile: its folder's plus its own ridge, by a stack of depths walked in pre-order.
std::vector<TCushion> Surfaces(const TTreemap& map, const TCushionLight& light) {
    const std::vector<TTreemapTile>& tiles = map.Tiles();
    std::vector<TCushion> surfaces(tiles.size()), stack;
    std::vector<double> heights;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const TTreemapTile& t = tiles[i];
        const std::size_t depth = t.Depth;
        if (stack.size() <= depth) stack.resize(depth + 1);
        while (heights.size() <= depth)
            heights.push_back(heights.empty() ? light.Height : heights.back() * light.Factor);
        const TCushion parent = depth == 0 ? TCushion{} : stack[depth - 1];
        surfaces[i] = stack[depth] = AddRidge(parent, t.X0, t.Y0, t.X1, t.Y1, heights[depth]);
    }
    return surfaces;
}

// Rows [row0, row1): the deepest tiles first, each pixel shaded once (a tile's folder shows only where
// none of its own tiles lies), then the background where no tile is.
void PaintRows(const TTreemap& map, const std::vector<TCushion>& surfaces, std::uint32_t* pixels, std::size_t stride,
               int row0, int row1, TColor background, const TCushionLight& light) {
    const int width = map.Width();
    std::vector<std::uint8_t> done(static_cast<std::size_t>(row1 - row0) * width, 0);
    const double l = std::sqrt(light.LightX * light.LightX + light.LightY * light.LightY + light.LightZ * light.LightZ);
    const double lx = light.LightX / l, ly = light.LightY / l, lz = light.LightZ / l;
    const std::vector<TTreemapTile>& tiles = map.Tiles();
    for (std::size_t k = tiles.size(); k-- > 0;) {
        const TTreemapTile& t = tiles[k];
        const int y0 = std::max<int>(t.Y0, row0), y1 = std::min<int>(t.Y1, row1);
        if (y0 >= y1) continue;
        const TCushion& s = surfaces[k];
        const TColor c = map.Color(t);
        const double r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
        for (int y = y0; y < y1; ++y) {
            const double py = y + 0.5;
            const double ny = -(2 * s.C * py + s.D);
            const double ny2 = ny * ny + 1, nyl = ny * ly + lz;
            std::uint32_t* row = pixels + y * stride;
            std::uint8_t* rowDone = done.data() + static_cast<std::size_t>(y - row0) * width;
            for (int x = t.X0; x < t.X1; ++x) {
                if (rowDone[x]) continue;
                rowDone[x] = 1;
                const double px = x + 0.5;
                const double nx = -(2 * s.A * px + s.B);
                const double cosa = (nx * lx + nyl) / std::sqrt(nx * nx + ny2);
                const double i = light.Ambient + light.Diffuse * (cosa > 0 ? cosa : 0);
                const auto channel = [i](double v) {
                    const double p = v * i;
                    return static_cast<std::uint32_t>(p >= 255 ? 255 : p);
                };
                row[x] = (channel(r) << 16) | (channel(g) << 8) | channel(b);
            }
        }
    }
    const std::uint32_t bg = (static_cast<std::uint32_t>(RedOf(background)) << 16) |
                             (static_cast<std::uint32_t>(GreenOf(background)) << 8) | BlueOf(background);
    for (int y = row0; y < row1; ++y) {
        const std::uint8_t* rowDone = done.data() + static_cast<std::size_t>(y - row0) * width;
        for (int x = 0; x < width; ++x)
            if (!rowDone[x]) pixels[y * stride + x] = bg;
    }
}

}  // namespace

void PaintTreemap(const TTreemap& map, std::uint32_t* pixels, std::size_t stride, int threads, TColor background,
                  const TCushionLight& light) {
    const int height = map.Height();
    if (height <= 0 || map.Width() <= 0) return;
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // Small maps are not worth a thread's start.
    constexpr std::int64_t kPixelsPerThread = 64 * 1024;
    const std::int64_t pixelCount = static_cast<std::int64_t>(map.Width()) * height;
    threads = static_cast<int>(std::clamp<std::int64_t>(pixelCount / kPixelsPerThread, 1, std::min(threads, height)));
    const std::vector<TCushion> surfaces = Surfaces(map, light);
    if (threads == 1) {
        PaintRows(map, surfaces, pixels, stride, 0, height, background, light);
        return;
    }
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(PaintRows, std::cref(map), std::cref(surfaces), pixels, stride, height * t / threads,
                             height * (t + 1) / threads, background, std::cref(light));
    PaintRows(map, surfaces, pixels, stride, 0, height / threads, background, light);
    for (std::thread& w : workers) w.join();
}

// --- colours

std::string LowerExtension(std::string_view name) {
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

TTypeColors::TTypeColors(const std::vector<TChartRow>& rows) {
    // The by-type chart numbers its points by the first file of each type in list order.
    std::vector<std::string> types;
    for (const TChartRow& row : rows) {
        if (!row.IsFile) continue;
        auto it = std::find(types.begin(), types.end(), row.TypeName);
        const int index = static_cast<int>(it - types.begin());
        if (it == types.end()) types.push_back(row.TypeName);
        std::string ext = LowerExtension(row.Path.empty() ? row.DisplayName : row.Path);
        const bool known = std::any_of(FIndexes.begin(), FIndexes.end(), [&](const auto& e) { return e.first == ext; });
        if (!known) FIndexes.emplace_back(std::move(ext), index);
    }
    FNext = static_cast<int>(types.size());
}

TColor TTypeColors::Of(std::string_view extension) {
    for (const auto& e : FIndexes)
        if (e.first == extension) return PaletteColor(e.second);
    FIndexes.emplace_back(std::string(extension), FNext);
    return PaletteColor(FNext++);
}
