// The main window's treemap: the fifth chart type, a panel shown in the chart's place. It is laid out
// from the scan tree for the current folder with the list's mask and the chart's metric, coloured by
// file type as the by-type chart colours them; a folder the tree does not hold yet is walked on worker
// threads while the panel says so, and laid out when the walk ends.
#include <algorithm>

#include "app/MainFormUnit.h"
#include "charts/Treemap.h"
#include "platform/Exception.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"
#include "shell/SizeText.h"

namespace {

std::string LowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The path's parent folder ("c:\a\b.txt" -> "c:\a"; a drive's root keeps its separator).
std::string ParentFolder(const std::string& path, char separator) {
    const std::size_t slash = path.find_last_of(separator);
    if (slash == std::string::npos) return path;
    if ((slash == 2 && path[1] == ':') || slash == 0) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

}  // namespace

void TMainForm::CreateTreemap() {
    TreemapPanel1 = new TTreemapPanel(this, Panel8);
    TreemapPanel1->SetName("TreemapPanel1");
    TreemapPanel1->SetAlign(alClient);
    TreemapPanel1->SetVisible(false);
    TreemapPanel1->OnHover = [this](TTreemapPanel&, int tile) { TreemapHover(tile); };
    TreemapPanel1->OnTileClick = [this](TTreemapPanel&, int tile, TMouseButton button, int x, int y) {
        TreemapTileClick(tile, button, x, y);
    };
    TreemapPanel1->OnTileDblClick = [this](TTreemapPanel&, int tile) { TreemapTileDblClick(tile); };
    // Both come as messages, also while a listing fills the list the treemap reads its colours from;
    // the listing's end lays the treemap out again anyway.
    TreemapPanel1->OnScanned = [this](TTreemapPanel&) {
        FTreemapScanEnded = true;
        if (!StShellListView1->Filling() && !FUpdatingChart) UpdateTreemap();
    };
    TreemapPanel1->OnLayoutNeeded = [this](TTreemapPanel&) {
        if (!StShellListView1->Filling() && !FUpdatingChart) UpdateTreemap();
    };
}

bool TMainForm::TreemapShown() const {
    return TreemapPanel1 && TreemapPanel1->Visible();
}

void TMainForm::ShowTreemap(bool Show) {
    if (Show == TreemapShown()) return;
    // The chart behind the treemap keeps its points, so switching back shows them at once.
    Chart1->SetVisible(!Show);
    TreemapPanel1->SetVisible(Show);
    if (!Show) {
        StopTreemapScan();
        TreemapPanel1->SetMessage({});
    }
}

void TMainForm::StopTreemapScan() {
    // What the walk finished stays in the tree and the cache.
    if (FTreemapJob) FTreemapJob->Cancel();
    FTreemapJob.reset();
    FTreemapScanKey.clear();
}

void TMainForm::actTreemapExecute(TObject*) {
    SelectChartType(TChartType::ctTreemap);
}

void TMainForm::UpdateTreemap() {
    if (!TreemapShown()) return;
    const std::string path = CurrentFolderPath();
    if (path.empty() || ShowingDrives()) {
        TreemapPanel1->SetMessage("Open a folder to see its treemap");
        return;
    }
    if (UpdateScanTreemap()) return;
    TFolderSizeService& service = FolderSizeService();
    const TScanTreeState mode = service.TreeMode();
    if (!mode.KeepsFiles) {
        TreemapPanel1->SetMessage("No treemap: the scan tree is off",
                                  mode.BudgetReached ? "The memory budget of the scan tree was reached; the "
                                                       "folder sizes are still counted."
                                                     : "The scan tree keeps no files.");
        return;
    }
    const std::string mask = StShellListView1->Model().TotalsMask();
    TTreemapOptions options;
    options.Width = TreemapPanel1->MapWidth();
    options.Height = TreemapPanel1->MapHeight();
    options.Metric = ChartMetric();
    options.Mask = mask;
    TTypeColors colors(ChartRows());
    options.ColorOf = [&colors](std::string_view extension) { return colors.Of(extension); };

    TTreemap map;
    TTreemapState state = TTreemapState::NotScanned;
    {
        // A walk that writes the tree holds it only briefly; the window never waits for one that
        // holds it longer: it shows the scanning state and lays out when the walk ends.
        TScanReader reader(service.ScanTree(), std::try_to_lock);
        if (reader.Locked()) state = map.Build(reader, reader.Find(service.CacheKey(path)), options);
    }
    const std::string scanKey = service.CacheKey(path) + "|" + LowerCase(mask);
    const bool walked = scanKey == FTreemapScanKey && FTreemapScanEnded;
    if (state == TTreemapState::Ready) {
        std::vector<TTreemapShare> legend = map.Legend(8);
        TreemapPanel1->SetMap(std::move(map), std::move(legend));
        // Fresh: no walk is wanted (one for a folder left meanwhile stops), and the next change may ask
        // for one. A folder changed since the tree read it shows as read until a walk reads it again,
        // asked for once per change.
        TFolderTotals fresh;
        if (service.TotalsIfKnown(path, mask, fresh)) {
            StopTreemapScan();
            return;
        }
        if (walked) return;
    } else if (walked) {
        // The walk ended and the tree still does not hold the folder whole.
        TreemapPanel1->SetMessage("No treemap: the folder could not be scanned",
                                  "The scan tree did not keep all of its files.");
        FTreemapScanKey.clear();
        return;
    } else {
        TreemapPanel1->SetMessage("Scanning\xE2\x80\xA6", path);
    }
    if (scanKey == FTreemapScanKey && FTreemapJob && !FTreemapJob->Ended()) return;  // already asked
    if (FTreemapJob) FTreemapJob->Cancel();
    FTreemapScanKey = scanKey;
    FTreemapScanEnded = false;
    TFolderSizeCallbacks callbacks;
    // On a worker thread: only a posted message, which a destroyed panel never gets.
    const HWND window = TreemapPanel1->Handle();
    callbacks.OnEnd = [window](TFolderSizeEnd end) {
        if (end == TFolderSizeEnd::Finished) ::PostMessageW(window, TTreemapPanel::kScannedMessage, 0, 0);
    };
    FTreemapJob = service.TotalsAsync({path}, mask, std::move(callbacks));
}

char TMainForm::TreemapSeparator() const {
    const TImportedScan* scan = ShowingScan() ? StShellListView1->Scan() : nullptr;
    return scan ? scan->Tree->Separator() : '\\';
}

std::string TMainForm::TreemapTilePath(int Tile) {
    const TTreemap& map = TreemapPanel1->Map();
    if (Tile < 0 || Tile >= static_cast<int>(map.Tiles().size())) return {};
    // A saved scan's own tree, or the disk's, which a walk may be writing: the window does not wait for
    // it (the next move asks again).
    const TImportedScan* scan = ShowingScan() ? StShellListView1->Scan() : nullptr;
    TScanReader reader(scan ? *scan->Tree : FolderSizeService().ScanTree(), std::try_to_lock);
    return reader.Locked() ? map.TilePath(reader, map.Tiles()[Tile], TreemapSeparator()) : std::string();
}

void TMainForm::TreemapHover(int Tile) {
    if (Tile < 0) {
        TreemapPanel1->SetHoverText({});
        return;
    }
    const TTreemapTile& tile = TreemapPanel1->Map().Tiles()[Tile];
    std::string text = TreemapTilePath(Tile);
    if (text.empty()) return;
    const TChartMetric metric = ChartMetric();
    text += "   " + (metric == TChartMetric::cmCount
                         ? std::to_string(tile.Value) + " files"
                         : FormatBytes('A', tile.Value) + (metric == TChartMetric::cmSlack ? " used" : ""));
    TreemapPanel1->SetHoverText(text);
}

bool TMainForm::SelectTreemapRow(const std::string& Path) {
    for (int row : StShellListView1->SelectedIndices()) StShellListView1->SetSelected(row, false);
    if (Path.empty()) return false;
    // A tile names a file by its path in the scan tree: the model's shown rows are searched for it.
    const std::string wanted = LowerCase(Path);
    const TFolderModel& model = StShellListView1->Model();
    for (int r = 0, rows = model.RowCount(); r < rows; ++r)
        if (TStShellItem* item = model.Row(r); item && LowerCase(item->Path) == wanted) {
            StShellListView1->SetSelected(r, true);
            StShellListView1->EnsureVisible(r);
            return true;
        }
    return false;
}

void TMainForm::TreemapTileClick(int Tile, TMouseButton Button, int X, int Y) {
    // The row of the file when it is listed here, else of the sub-folder of the current folder that
    // holds it.
    const std::string path = TreemapTilePath(Tile);
    const char separator = TreemapSeparator();
    std::string folder = CurrentFolderPath();
    if (!folder.empty() && folder.back() != separator) folder += separator;
    std::string row;
    if (path.size() > folder.size() && LowerCase(path.substr(0, folder.size())) == LowerCase(folder)) {
        const std::size_t next = path.find(separator, folder.size());
        row = next == std::string::npos ? path : path.substr(0, next);
    }
    SelectTreemapRow(row);
    if (Button == TMouseButton::mbRight) {
        POINT at{X, Y};
        ::ClientToScreen(TreemapPanel1->Handle(), &at);
        ::SendMessageW(StShellListView1->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(at.x, at.y));
    }
}

void TMainForm::TreemapTileDblClick(int Tile) {
    const TTreemap& map = TreemapPanel1->Map();
    if (Tile < 0 || Tile >= static_cast<int>(map.Tiles().size())) return;
    const std::string path = TreemapTilePath(Tile);
    if (path.empty()) return;
    OpenChartFolder(map.Tiles()[Tile].IsFolder() ? path : ParentFolder(path, TreemapSeparator()));
}
