// The treemap in the real main window under Wine: shown for a known tree of real folders, hovered,
// clicked and double-clicked with mouse messages, cycled to and from, saved as a JPEG, and its states
// while the folder is walked or the scan tree is off.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "charts/JpegDecode.h"
#include "charts/TreemapPanel_win.h"
#include "shell/FolderSize.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/UiTestEnv.h"

namespace {

class MainFormTreemap : public uitest::TMainFormTest {
protected:
    void SetUp() override {
        Dir.WriteFile("Alpha\\a1.dat", 30000);
        Dir.WriteFile("Alpha\\deep\\a3.jpg", 20000);
        Dir.WriteFile("Beta\\b1.txt", 40000);
        Dir.WriteFile("top.txt", 9000);
        Dir.WriteFile("zero.bin", 0);
        Dir.MakeDir("Empty");
        TMainFormTest::SetUp();
        F->Params = {Dir.Utf8()};
        F->actFolderSizes->SetChecked(true);
        F->Show();
        uitest::Pump();
        uitest::TakeBoxes();
    }
    void TearDown() override {
        FolderSizeService().SetTreeBudget(TScanTree::kDefaultBudget);
        TMainFormTest::TearDown();
    }
    bool ShowTreemap() {
        F->actTreemap->Execute();
        return uitest::PumpUntil([&] { return F->TreemapPanel1->HasMap(); });
    }
    // The tiles by path relative to the test folder, files and folders alike.
    std::map<std::string, int> Tiles() {
        std::map<std::string, int> tiles;
        const std::string prefix = Dir.Utf8() + "\\";
        for (int i = 0; i < static_cast<int>(F->TreemapPanel1->Map().Tiles().size()); ++i) {
            const std::string path = F->TreemapTilePath(i);
            tiles[path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path] = i;
        }
        return tiles;
    }
    POINT Middle(int tile) {
        const TTreemapTile& t = F->TreemapPanel1->Map().Tiles()[tile];
        return POINT{(t.X0 + t.X1) / 2, (t.Y0 + t.Y1) / 2};
    }
    void Send(UINT msg, WPARAM wp, POINT at) {
        ::SendMessageW(F->TreemapPanel1->Handle(), msg, wp, MAKELPARAM(at.x, at.y));
    }
    void Click(POINT at) {
        Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(WM_LBUTTONUP, 0, at);
        uitest::Pump();
    }
    std::vector<std::string> SelectedNames() {
        std::vector<std::string> out;
        for (int row : F->StShellListView1->SelectedIndices())
            out.push_back(F->StShellListView1->RowItem(row)->DisplayName);
        return out;
    }
    vstest::TTempDir Dir;
};

TEST_F(MainFormTreemap, ShowsEveryFileOfTheSubtreeAsATile) {
    ASSERT_TRUE(ShowTreemap());
    EXPECT_TRUE(F->actTreemap->Checked());
    EXPECT_FALSE(F->Chart1->Visible());
    const TTreemap& map = F->TreemapPanel1->Map();
    EXPECT_EQ(map.Total(), 99000);
    EXPECT_EQ(map.Width(), F->TreemapPanel1->MapWidth());
    EXPECT_EQ(map.Height(), F->TreemapPanel1->MapHeight());
    std::map<std::string, int> tiles = Tiles();
    for (const char* path :
         {"Alpha", "Alpha\\a1.dat", "Alpha\\deep", "Alpha\\deep\\a3.jpg", "Beta", "Beta\\b1.txt", "top.txt"})
        EXPECT_EQ(tiles.count(path), 1u) << path;
    EXPECT_EQ(tiles.count("zero.bin"), 0u);
    EXPECT_EQ(tiles.count("Empty"), 0u);
    // The legend strip names the largest types, largest first.
    EXPECT_EQ(F->TreemapPanel1->InfoText().rfind(".txt 49%", 0), 0u) << F->TreemapPanel1->InfoText();
}

TEST_F(MainFormTreemap, HoverNamesTheTileAndClickSelectsItsRow) {
    ASSERT_TRUE(ShowTreemap());
    std::map<std::string, int> tiles = Tiles();
    ASSERT_EQ(tiles.count("Alpha\\deep\\a3.jpg"), 1u);
    const POINT deep = Middle(tiles["Alpha\\deep\\a3.jpg"]);
    Send(WM_MOUSEMOVE, 0, deep);
    EXPECT_EQ(F->TreemapPanel1->InfoText(), Dir.Utf8() + "\\Alpha\\deep\\a3.jpg   19 KB");

    struct {
        const char* Tile;
        const char* Row;  // the row the click selects: the file's own, or the sub-folder holding it
    } const cases[] = {{"Alpha\\deep\\a3.jpg", "Alpha"}, {"top.txt", "top.txt"}, {"Beta\\b1.txt", "Beta"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Tile);
        ASSERT_EQ(tiles.count(c.Tile), 1u);
        Click(Middle(tiles[c.Tile]));
        EXPECT_EQ(SelectedNames(), std::vector<std::string>{c.Row});
    }
    // Off the tiles (the strip below them) the legend comes back and a click selects nothing new.
    Send(WM_MOUSEMOVE, 0, POINT{5, F->TreemapPanel1->MapHeight() + 3});
    EXPECT_EQ(F->TreemapPanel1->InfoText().rfind(".txt", 0), 0u);
}

TEST_F(MainFormTreemap, DoubleClickOpensTheTilesFolder) {
    ASSERT_TRUE(ShowTreemap());
    std::map<std::string, int> tiles = Tiles();
    ASSERT_EQ(tiles.count("Alpha\\deep\\a3.jpg"), 1u);
    const POINT at = Middle(tiles["Alpha\\deep\\a3.jpg"]);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(WM_LBUTTONUP, 0, at);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    Send(WM_LBUTTONUP, 0, at);
    uitest::Pump();
    EXPECT_EQ(F->CurrentFolderName(), "deep");
    // The treemap follows the folder.
    ASSERT_TRUE(
        uitest::PumpUntil([&] { return F->TreemapPanel1->HasMap() && F->TreemapPanel1->Map().Total() == 20000; }));
}

TEST_F(MainFormTreemap, ChartNextCyclesThroughTheTreemap) {
    F->actBar3D->Execute();
    F->actChartNext->Execute();
    EXPECT_TRUE(F->actTreemap->Checked());
    EXPECT_TRUE(F->TreemapPanel1->Visible());
    EXPECT_FALSE(F->Chart1->Visible());
    F->actChartNext->Execute();
    EXPECT_TRUE(F->actPie->Checked());
    EXPECT_FALSE(F->actTreemap->Checked());
    EXPECT_TRUE(F->Chart1->Visible());
    EXPECT_FALSE(F->TreemapPanel1->Visible());
    EXPECT_TRUE(F->Series1->Active());
}

TEST_F(MainFormTreemap, SavedJpegIsTheTreemap) {
    ASSERT_TRUE(ShowTreemap());
    ::UpdateWindow(F->TreemapPanel1->Handle());
    const std::string target = Dir.Utf8() + "\\treemap.jpg";
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        d.FileName = target;
        return true;
    });
    F->actJpg->Execute();
    jpegtest::TDecoded d = jpegtest::DecodeJpegFile(vstest::Utf8Path(target));
    EXPECT_EQ(d.Width, F->TreemapPanel1->Width());
    EXPECT_EQ(d.Height, F->TreemapPanel1->Height());
    // The picture is what the panel shows: the shaded tiles and the legend strip.
    TBitmap screen(d.Width, d.Height);
    HDC dc = ::GetDC(F->TreemapPanel1->Handle());
    ::BitBlt(screen.Dc(), 0, 0, d.Width, d.Height, dc, 0, 0, SRCCOPY);
    ::ReleaseDC(F->TreemapPanel1->Handle(), dc);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) pixels.push_back(screen.Pixel(x, y));
    EXPECT_LT(jpegtest::MeanDifference(pixels, d), 3.0);
    // Not the chart's white: the middle of the largest file's tile is in its type's hue, shaded.
    const POINT m = Middle(Tiles()["Beta\\b1.txt"]);
    const std::uint32_t p = screen.Pixel(m.x, m.y);
    const TColor colour = F->TreemapPanel1->Map().Color(F->TreemapPanel1->Map().Tiles()[Tiles()["Beta\\b1.txt"]]);
    const int pc[3] = {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
    const int cc[3] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
    const double intensity = static_cast<double>(std::max({pc[0], pc[1], pc[2]})) / std::max({cc[0], cc[1], cc[2], 1});
    EXPECT_GT(intensity, 0.13);
    EXPECT_LT(intensity, 1.01);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pc[c], cc[c] * intensity, 3.0) << c;
}

TEST_F(MainFormTreemap, ScanningStateAndTheTreeOffNote) {
    F->actTreemap->Execute();
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->TreemapPanel1->HasMap(); }));
    // A folder the tree does not hold: the panel says so at once and lays out when the walk ends.
    FolderSizeService().ScanTree().Clear();
    FolderSizeService().FolderSizeCache().Clear();
    F->actTreemap->Execute();
    EXPECT_FALSE(F->TreemapPanel1->HasMap());
    EXPECT_EQ(F->TreemapPanel1->Message(), "Scanning\xE2\x80\xA6");
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->TreemapPanel1->HasMap(); }));
    EXPECT_EQ(F->TreemapPanel1->Map().Total(), 99000);

    // Over its memory budget the tree turns off: a clear note instead of a map, and no endless walk.
    FolderSizeService().SetTreeBudget(1);
    FolderSizeService().FolderSizeCache().Clear();
    F->actTreemap->Execute();
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->TreemapPanel1->Message().find("off") != std::string::npos; }));
    EXPECT_FALSE(F->TreemapPanel1->HasMap());
    EXPECT_EQ(F->TreemapPanel1->Note(),
              "The memory budget of the scan tree was reached; the folder sizes are still counted.");
}

// A folder changed since the tree read it shows as read at once and is walked again (once) for the
// new figures. (Wine delivers no change notifications: the invalidation is the one they make.)
TEST_F(MainFormTreemap, AChangedFolderIsWalkedAgain) {
    ASSERT_TRUE(ShowTreemap());
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->TreemapPanel1->Map().Total() == 99000; }));
    Dir.WriteFile("Beta\\new.txt", 5000);
    FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Beta\\new.txt", false);
    F->actTreemap->Execute();
    EXPECT_TRUE(F->TreemapPanel1->HasMap());
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->TreemapPanel1->Map().Total() == 104000; }));
    EXPECT_EQ(Tiles().count("Beta\\new.txt"), 1u);
}

// The treemap of a real tree (this program's own sources) for people to look at.
TEST_F(MainFormTreemap, ScreenshotOfTheTreemap) {
    VS_SCREENSHOT_ONLY();
    const char* sources = std::getenv("VS_TREEMAP_SHOT_DIR");
    if (sources && *sources) F->OpenFolder(sources);
    uitest::Pump();
    ASSERT_TRUE(ShowTreemap() || uitest::PumpUntil([&] { return F->TreemapPanel1->HasMap(); }, 60000));
    const std::map<std::string, int> tiles = Tiles();
    int hover = static_cast<int>(F->TreemapPanel1->Map().Tiles().size()) / 2;
    for (const auto& [path, tile] : tiles)
        if (!F->TreemapPanel1->Map().Tiles()[tile].IsFolder()) hover = tile;
    Send(WM_MOUSEMOVE, 0, Middle(hover));
    uitest::Pump(100);
    EXPECT_TRUE(uitest::SaveWindowShot(F->Handle(), "treemap"));
}

}  // namespace
