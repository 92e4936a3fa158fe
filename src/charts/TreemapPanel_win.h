#pragma once
// The treemap panel (Windows only): a control of the framework that shows a laid-out treemap. The tiles
// are painted with cushion shading into one DIB section (rows split over worker threads for large maps)
// and copied to the window; a strip below them names the tile under the mouse (path and size), or else
// lists the largest file types with their shares. Without a map it shows a message (a folder being
// scanned, the scan tree off) centred, with an optional note below. The panel lays nothing out itself:
// its owner builds the map at MapWidth() x MapHeight() and hands it over.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "charts/Treemap.h"
#include "ui/Controls.h"

class TTreemapPanel : public TControl {
public:
    TTreemapPanel(TComponent* owner, TWinControl* parent);
    ~TTreemapPanel() override;

    // Shows the map (laid out for MapWidth() x MapHeight()) and its legend; clears any message.
    void SetMap(TTreemap map, std::vector<TTreemapShare> legend);
    // Shows a message instead of a map (the map is dropped).
    void SetMessage(const std::string& text, const std::string& note = {});
    bool HasMap() const { return FHasMap; }
    const TTreemap& Map() const { return FMap; }
    const std::string& Message() const { return FMessage; }
    const std::string& Note() const { return FNote; }
    // The text of the strip below the tiles: the hovered tile's, or the legend.
    std::string InfoText() const;
    // What the strip says of the hovered tile (set by the owner from OnHover); empty for the legend.
    void SetHoverText(const std::string& text);

    // The area the tiles take: the client area less the strip.
    int MapWidth() const;
    int MapHeight() const;

    // A new bitmap of the client size holding what the panel shows; null when it has no area.
    std::unique_ptr<TBitmap> CreateSnapshotBitmap();

    // Posted to Handle() (from any thread) when a walk the panel waits for has ended: OnScanned follows.
    static constexpr UINT kScannedMessage = WM_APP + 0x4351;

    // The tile under the mouse changed (-1: none, or the mouse left the panel).
    std::function<void(TTreemapPanel& sender, int tile)> OnHover;
    // A press on a tile (not the strip), and a double click of the left button.
    std::function<void(TTreemapPanel& sender, int tile, TMouseButton button, int x, int y)> OnTileClick;
    std::function<void(TTreemapPanel& sender, int tile)> OnTileDblClick;
    std::function<void(TTreemapPanel& sender)> OnScanned;
    // The client size changed: the map needs laying out again.
    std::function<void(TTreemapPanel& sender)> OnLayoutNeeded;

protected:
    void Paint(TCanvas& canvas) override;
    void Resized() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void DblClick() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PaintTo(TCanvas& canvas);
    void SetHover(int tile);
    int StripHeight() const;

    TTreemap FMap;
    bool FHasMap = false;
    std::vector<TTreemapShare> FLegend;
    std::string FMessage, FNote, FHoverText;
    // The shaded tiles, painted once per map and copied on every paint.
    std::unique_ptr<TBitmap> FPicture;
    bool FPictureValid = false;
    int FHover = -1;
    bool FTracking = false;
    int FLastX = 0, FLastY = 0;
};
