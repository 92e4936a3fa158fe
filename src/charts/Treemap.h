#pragma once
// The treemap of a folder's whole subtree as the scan tree holds it: a squarified layout (every file a
// tile whose area is its figure, folders nested), cushion shading painted into a 32-bit pixel buffer,
// colours by file type, the hit test and the legend's shares. Portable: the window code hands in a pixel
// buffer (a DIB section's bits) and draws nothing itself.
//
// Layout. Children of a folder (its sub-folders and its matching files) are laid out largest first in
// rows along the shorter side of the remaining rectangle, a row growing while its worst aspect ratio
// improves (squarified treemaps). A tile whose rounded rectangle has a side under MinSide pixels is not
// made: its area stays part of its folder's tile, so a million files cost no more than the pixels show.
// Files too small to make a tile at all are summed before sorting, so their number costs one pass.
//
// Shading. Each tile adds a parabolic ridge of height Height * Factor^depth across its rectangle to the
// surface of its folder (cushion treemaps); a pixel's intensity is Ambient + Diffuse * max(0, cos a),
// a the angle between the surface normal and the light.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "charts/ChartData.h"
#include "platform/Color.h"
#include "shell/ScanTree.h"

// One tile, 32 bytes. Rectangles are in pixels, right and bottom exclusive; tiles come in pre-order
// (a folder's tile before those inside it), so a later tile at a point lies deeper.
struct TTreemapTile {
    static constexpr std::uint32_t kFolderTile = UINT32_MAX;
    std::int16_t X0, Y0, X1, Y1;
    std::uint32_t Folder;  // scan-tree slot: the folder's own, or the one holding the file
    std::uint32_t Serial;  // the slot's serial when laid out: a folder dropped since reads as gone
    std::uint32_t File;    // index among the folder's files; kFolderTile for a folder's tile
    std::uint16_t Depth;   // 0 for the current folder
    std::uint16_t Color;   // index in the map's colour table (TTreemap::Color)
    std::int64_t Value;    // the figure of the file, or of the folder's whole subtree
    bool IsFolder() const { return File == kFolderTile; }
    bool Contains(int x, int y) const { return x >= X0 && x < X1 && y >= Y0 && y < Y1; }
};
static_assert(sizeof(TTreemapTile) == 32, "a tile is 32 bytes");

struct TTreemapOptions {
    int Width = 0, Height = 0;
    TChartMetric Metric = TChartMetric::cmSize;  // Size; Slack lays out the used (allocated) space; Count files
    std::string Mask = "*";                      // the totals' rule (TFolderSizeMask)
    int MinSide = 3;
    // The colour of a file type (extension in lower case from the last ".", "" for none); asked once
    // per extension. Null: every file is grey.
    std::function<TColor(std::string_view extension)> ColorOf;
    TColor FolderColor = RgbColor(160, 160, 160);  // where a folder's small files are
};

enum class TTreemapState {
    Ready,       // laid out (Tiles may still be empty when nothing matching has a size)
    NotScanned,  // the tree does not hold the folder, or not every folder below it: ask for a walk
};

// A file type's share of the total, for the legend.
struct TTreemapShare {
    std::string Extension;
    std::int64_t Value = 0;
    double Share = 0;  // of the total, 0 to 1
    TColor Color = 0;
};

class TTreemap {
public:
    // Lays out the folder's subtree into options.Width x Options.Height pixels. The reader must hold the
    // tree that root names. Replaces what was laid out before.
    TTreemapState Build(const TScanReader& reader, TScanRef root, const TTreemapOptions& options);
    void Clear();

    const std::vector<TTreemapTile>& Tiles() const { return FTiles; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    std::int64_t Total() const { return FTotal; }  // the figure of every matching file
    std::int64_t Files() const { return FFiles; }  // matching files, tiled or not
    // The largest file types, largest first, at most `count`.
    std::vector<TTreemapShare> Legend(std::size_t count) const;

    // The deepest tile at (x, y); -1 outside every tile.
    int HitTest(int x, int y) const;
    TColor Color(const TTreemapTile& tile) const { return FColors[tile.Color]; }
    // The full path of a tile's file or folder, separator between names; empty when its folder has
    // gone from the tree since the layout.
    std::string TilePath(const TScanReader& reader, const TTreemapTile& tile, char separator) const;

private:
    struct TItem {
        double Area;
        std::uint32_t Index;  // folder slot or file index
        bool IsFolder;
    };
    std::vector<TTreemapTile> FTiles;
    std::vector<TColor> FColors;             // [0] the folders' colour, then one per file type laid out
    std::vector<std::uint16_t> FColorSlots;  // by extension id: 0 not asked yet
    std::vector<std::int64_t> FExtensionTotals;
    std::vector<std::string> FExtensionNames;
    int FWidth = 0, FHeight = 0;
    std::int64_t FTotal = 0, FFiles = 0;

    void LayoutFolder(const TScanReader& reader, std::uint32_t folder, double x0, double y0, double x1, double y1,
                      int depth, const TTreemapOptions& options, const struct TTreemapTotals& totals);
    std::uint16_t ColorSlot(const TScanReader& reader, std::uint32_t extension, const TTreemapOptions& options);
};

// The squarified layout of one rectangle: areas (largest first, summing with `rest` to the rectangle's
// area) become rectangles written to out (x0, y0, x1, y1 each); `rest` is left over at the far corner.
void SquarifyRect(const std::vector<double>& areas, double x0, double y0, double x1, double y1,
                  std::vector<double>& out);

// Cushion shading.
struct TCushionLight {
    double Height = 0.38;  // the top level's ridge
    double Factor = 0.91;  // each level's ridge against its parent's
    double Ambient = 0.13;
    double Diffuse = 0.87;
    double LightX = -1, LightY = -1, LightZ = 10;  // towards the light (upper left), normalised when used
};

// The surface z = A x^2 + B x + C y^2 + D y of a tile.
struct TCushion {
    double A = 0, B = 0, C = 0, D = 0;
};

// The surface with a ridge of height h added over [x0, x1) x [y0, y1).
TCushion AddRidge(TCushion surface, double x0, double y0, double x1, double y1, double h);
// The intensity at (x, y): Ambient + Diffuse * max(0, cos) of the angle between normal and light.
double CushionIntensity(const TCushion& surface, double x, double y, const TCushionLight& light);

// Paints the treemap into a top-down buffer of Width() x Height() pixels, 0x00RRGGBB each (the layout of
// a 32-bit DIB section), `stride` pixels per row; the background where no tile is. Rows are split over
// `threads` threads (0: one per core) when the map is large.
void PaintTreemap(const TTreemap& map, std::uint32_t* pixels, std::size_t stride, int threads,
                  TColor background = clWhite, const TCushionLight& light = {});

// The colours of file types as the by-type chart gives them: the type of each listed file in list order
// gets the chart's palette colour of its point; an extension met in the subtree but not listed takes the
// palette colour after the last listed type, in the order asked.
class TTypeColors {
public:
    explicit TTypeColors(const std::vector<TChartRow>& rows);
    TColor Of(std::string_view extension);

private:
    std::vector<std::pair<std::string, int>> FIndexes;  // extension, palette index
    int FNext = 0;
};

// The extension of a name or path in lower case from the last "." of its last component; "" for none.
std::string LowerExtension(std::string_view name);
