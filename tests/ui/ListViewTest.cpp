// The virtual list view: rows asked for again after their data changed, the find request of typing,
// the cache hint, the header's sort arrow, overlay images and the cut state.
#include <gtest/gtest.h>

#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace {

class VirtualListView : public ::testing::Test {
protected:
    void SetUp() override {
        Form = uitest::HostForm(400, 300);
        TListViewOptions o;
        o.OwnerData = true;
        List = new TListView(Form.get(), Form.get(), o);
        List->SetAlign(alClient);
        List->AddColumn("Name", 120);
        List->AddColumn("Size", 80, taRightJustify);
        List->OnData = [this](TObject*, int i, TListItemData& d) {
            ++Asked;
            d.Caption = Names.at(i);
            d.SubItems = {std::to_string(i)};
            d.OverlayIndex = i == 1 ? 1 : -1;
            d.Cut = i == 2;
        };
        List->SetItemCount(static_cast<int>(Names.size()));
        Form->Show();
        uitest::Pump();
    }
    void TearDown() override { Form.reset(); }

    std::vector<std::string> Names{"alpha", "beta", "gamma", "beta two"};
    std::unique_ptr<TForm> Form;
    TListView* List = nullptr;
    int Asked = 0;
};

TEST_F(VirtualListView, ChangedRowsShowTheirNewData) {
    EXPECT_EQ(List->Item(1).Caption, "beta");
    Names[1] = "BETA";
    List->RowsChanged(1, 1);
    EXPECT_EQ(List->Item(1).Caption, "BETA");
    Names[0] = "ALPHA";
    Names[3] = "DELTA";
    List->RowsChanged();
    EXPECT_EQ(List->Item(0).Caption, "ALPHA");
    EXPECT_EQ(List->Item(3).Caption, "DELTA");
}

TEST_F(VirtualListView, FindRequestReachesTheOwner) {
    std::vector<TListFindRequest> requests;
    List->OnFindItem = [&](TObject*, int start, const TListFindRequest& r) {
        requests.push_back(r);
        for (int i = std::max(start, 0); i < static_cast<int>(Names.size()); ++i)
            if (r.Partial ? Names[i].rfind(r.Text, 0) == 0 : Names[i] == r.Text) return i;
        return -1;
    };
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = L"gamma";
    EXPECT_EQ(ListView_FindItem(List->Handle(), -1, &find), 2);
    find.flags = LVFI_PARTIAL | LVFI_STRING;
    find.psz = L"beta";
    EXPECT_EQ(ListView_FindItem(List->Handle(), 2, &find), 3);  // from row 2 on: "beta two", not "beta"
    find.psz = L"zeta";
    EXPECT_EQ(ListView_FindItem(List->Handle(), -1, &find), -1);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].Partial);
    EXPECT_TRUE(requests[1].Partial);
    EXPECT_EQ(requests[1].Text, "beta");
}

TEST_F(VirtualListView, CacheHintNamesTheRowsAboutToBeDrawn) {
    int first = -1, last = -1;
    List->OnCacheHint = [&](TObject*, int f, int l) { first = f, last = l; };
    List->RowsChanged();
    List->Invalidate();
    ::UpdateWindow(List->Handle());
    uitest::Pump(50);
    EXPECT_EQ(first, 0);
    EXPECT_GE(last, 3);
}

TEST_F(VirtualListView, SortArrowMovesBetweenColumns) {
    bool ascending = false;
    EXPECT_EQ(List->SortArrowColumn(), -1);
    List->SetSortArrow(1, true);
    EXPECT_EQ(List->SortArrowColumn(&ascending), 1);
    EXPECT_TRUE(ascending);
    List->SetSortArrow(0, false);
    EXPECT_EQ(List->SortArrowColumn(&ascending), 0);
    EXPECT_FALSE(ascending);
    List->SetSortArrow(-1, true);
    EXPECT_EQ(List->SortArrowColumn(), -1);
}

TEST_F(VirtualListView, OverlayAndCutStateComeFromTheOwner) {
    List->SetSharedImages(nullptr, nullptr);
    UINT mask = LVIS_OVERLAYMASK | LVIS_CUT;
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 1, mask), static_cast<UINT>(INDEXTOOVERLAYMASK(2)));
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 2, mask), static_cast<UINT>(LVIS_CUT));
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 0, mask), 0u);
    // The drop highlight is the list's own state of one row.
    List->SetDropHighlight(3);
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 3, LVIS_DROPHILITED), static_cast<UINT>(LVIS_DROPHILITED));
    List->SetDropHighlight(0);
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 3, LVIS_DROPHILITED), 0u);
    EXPECT_EQ(ListView_GetItemState(List->Handle(), 0, LVIS_DROPHILITED), static_cast<UINT>(LVIS_DROPHILITED));
}

}  // namespace
