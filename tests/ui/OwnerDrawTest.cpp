// Child windows: control IDs, the object bound from the window's first message, and owner drawing
// and colours handed to the child's object. Owner-drawn combo boxes are real ones under Wine.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/TestSupport.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestEnv.h"

namespace {

constexpr COLORREF kFieldColour = RGB(255, 0, 0);
constexpr COLORREF kItemColour = RGB(0, 0, 255);
constexpr COLORREF kSelectedColour = RGB(0, 160, 0);

struct TDrawCall {
    int Index;
    unsigned State;
    RECT Rect;
};

// A box in the way the folder combo box will be built: it measures and draws through its own
// overrides, and sees its window's messages from the first one on.
class TTestOwnerCombo : public TComboBox {
public:
    TTestOwnerCombo(TComponent* owner, TWinControl* parent, TComboBoxStyle style,
                    std::vector<int>* measuredDuringCreation)
        : TComboBox(owner, parent, style, TDeferCreate{}), FMeasuredDuringCreation(measuredDuringCreation) {
        SetBounds(10, 10, 200, 24);
        CreateWnd();
        FCreated = true;
    }
    std::vector<UINT> Messages;  // the first messages the object saw
    std::vector<int> Measured;
    std::vector<TDrawCall> Drawn;
    bool HandleKnownWhileMeasuring = true;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (Messages.size() < 8) Messages.push_back(msg);
        return TComboBox::WndProc(msg, wp, lp);
    }
    void MeasureItem(int index, int& height) override {
        if (!FCreated && FMeasuredDuringCreation) FMeasuredDuringCreation->push_back(index);
        if (!Handle()) HandleKnownWhileMeasuring = false;
        Measured.push_back(index);
        if (index < 0) return;  // the field keeps the system's height
        height = Style() == csOwnerDrawVariable ? 16 + 8 * index : 30;
    }
    void DrawItem(int index, const RECT& rect, unsigned state, TCanvas& canvas) override {
        Drawn.push_back({index, state, rect});
        COLORREF back = (state & odComboBoxEdit) ? kFieldColour : (state & odSelected) ? kSelectedColour : kItemColour;
        canvas.FillRect(rect, back);
        if (index >= 0) {
            canvas.SetTextColor(RGB(255, 255, 255));
            RECT r = rect;
            r.left += 5;
            canvas.TextRect(r, Items(index), DT_SINGLELINE | DT_VCENTER);
        }
    }

private:
    std::vector<int>* FMeasuredDuringCreation;
    bool FCreated = false;
};

// A combo box whose edit field takes its colours from the box's object.
class TColouredCombo : public TComboBox {
public:
    using TComboBox::TComboBox;
    TBrushHandle Brush{::CreateSolidBrush(RGB(255, 255, 0))};
    std::vector<HWND> AskedBy;
    bool HandleCtlColor(UINT msg, HDC dc, HWND from, LRESULT& result) override {
        if (msg != WM_CTLCOLOREDIT) return false;
        AskedBy.push_back(from);
        ::SetBkColor(dc, RGB(255, 255, 0));
        result = reinterpret_cast<LRESULT>(Brush.Get());
        return true;
    }
};

bool AnyDrawn(const std::vector<TDrawCall>& calls, int index, bool field) {
    for (const TDrawCall& c : calls)
        if (c.Index == index && ((c.State & odComboBoxEdit) != 0) == field) return true;
    return false;
}

}  // namespace

TEST(UiChildren, EveryChildWindowHasAControlIdOfItsOwn) {
    auto form = uitest::HostForm(400, 300);
    auto* panel = new TPanel(form.get(), form.get());
    std::vector<TControl*> children = {panel,
                                       new TLabel(form.get(), form.get()),
                                       new TComboBox(form.get(), form.get()),
                                       new TListView(form.get(), form.get()),
                                       new TStatusBar(form.get(), form.get()),
                                       new TToolBar(form.get(), form.get())};
    std::vector<TControl*> inPanel = {new TComboBox(form.get(), panel), new TSplitter(form.get(), panel, alLeft)};
    for (const auto& siblings : {children, inPanel}) {
        std::set<int> ids;
        for (TControl* c : siblings) {
            int id = ::GetDlgCtrlID(c->Handle());
            EXPECT_NE(0, id);
            EXPECT_EQ(c->ControlId(), id);
            ids.insert(id);
        }
        EXPECT_EQ(siblings.size(), ids.size()) << "IDs repeat among siblings";
    }
    // The parent finds its child by the ID alone, as a WM_MEASUREITEM names it.
    for (TControl* c : inPanel) EXPECT_EQ(c->Handle(), ::GetDlgItem(panel->Handle(), c->ControlId()));
}

TEST(UiChildren, ASystemControlsObjectSeesItsCreationMessages) {
    auto form = uitest::HostForm(300, 100);
    auto* box = new TTestOwnerCombo(form.get(), form.get(), csDropDownList, nullptr);
    ASSERT_GE(box->Messages.size(), 2u);
    EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), box->Messages[0]);
    EXPECT_NE(box->Messages.end(), std::find(box->Messages.begin(), box->Messages.end(), static_cast<UINT>(WM_CREATE)));
    EXPECT_EQ(box, TControl::FromHandle(box->Handle()));
    // The box's own edit and list windows are not taken for it.
    EXPECT_EQ(1, form->ControlCount());
}

TEST(UiOwnerDraw, AFixedComboBoxMeasuresWhileItIsCreatedAndDrawsItsItems) {
    auto form = uitest::HostForm(300, 240);
    std::vector<int> measuredDuringCreation;
    auto* box = new TTestOwnerCombo(form.get(), form.get(), csOwnerDrawFixed, &measuredDuringCreation);
    // The system asks for the heights while it creates the window, naming the box by its ID only.
    EXPECT_FALSE(measuredDuringCreation.empty());
    EXPECT_TRUE(box->HandleKnownWhileMeasuring);
    EXPECT_EQ(30, box->ItemHeight());
    for (const char* text : {"Desktop", "Computer", "C:\\"}) box->Add(text);
    EXPECT_EQ((std::vector<std::string>{"Desktop", "Computer", "C:\\"}), box->AllItems());
    box->SetItemIndex(1);
    form->Show();
    box->Drawn.clear();
    ::RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    uitest::Pump(100);
    // The field shows the chosen item, drawn by the object.
    EXPECT_TRUE(AnyDrawn(box->Drawn, 1, true));
    EXPECT_EQ(0xFF0000u, uitest::ScreenPixel(box->Handle(), 6, 6));

    box->Drawn.clear();
    box->SetDroppedDown(true);
    uitest::Pump(200);
    EXPECT_TRUE(box->DroppedDown());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(AnyDrawn(box->Drawn, i, false)) << "item " << i;
    for (const TDrawCall& c : box->Drawn)
        if (!(c.State & odComboBoxEdit)) EXPECT_EQ(30, c.Rect.bottom - c.Rect.top) << "item " << c.Index;
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(::GetComboBoxInfo(box->Handle(), &info));
    // Item 1 is selected in the list; item 2 below it is drawn plain.
    EXPECT_EQ(0x00A000u, uitest::ScreenPixel(info.hwndList, 4, 30 + 15));
    EXPECT_EQ(0x0000FFu, uitest::ScreenPixel(info.hwndList, 4, 60 + 15));
    box->SetDroppedDown(false);
}

TEST(UiOwnerDraw, AVariableComboBoxMeasuresEveryItemOnItsOwn) {
    auto form = uitest::HostForm(300, 240);
    auto* box = new TTestOwnerCombo(form.get(), form.get(), csOwnerDrawVariable, nullptr);
    for (const char* text : {"a", "b", "c", "d"}) box->Add(text);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(16 + 8 * i, static_cast<int>(::SendMessageW(box->Handle(), CB_GETITEMHEIGHT, i, 0))) << "item " << i;
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3}),
              std::vector<int>(box->Measured.end() - 4, box->Measured.end()));  // asked as each was added
}

TEST(UiOwnerDraw, OnDrawItemServesAPlainOwnerDrawnBox) {
    auto form = uitest::HostForm(300, 100);
    auto* box = new TComboBox(form.get(), form.get(), csOwnerDrawFixed);
    box->SetItemHeight(22);
    EXPECT_EQ(22, box->ItemHeight());
    box->Add("One");
    box->SetItemIndex(0);
    std::vector<int> drawn;
    box->OnDrawItem = [&](TComboBox*, int index, const RECT& rect, unsigned, TCanvas& canvas) {
        drawn.push_back(index);
        canvas.FillRect(rect, RGB(255, 0, 255));
    };
    form->Show();
    ::RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    uitest::Pump(100);
    EXPECT_NE(drawn.end(), std::find(drawn.begin(), drawn.end(), 0));
    EXPECT_EQ(0xFF00FFu, uitest::ScreenPixel(box->Handle(), 6, 6));
    EXPECT_EQ("One", box->Items(0));
}

TEST(UiOwnerDraw, TheEditFieldOfAComboBoxTakesItsColoursFromTheBox) {
    auto form = uitest::HostForm(300, 100);
    auto* box = new TColouredCombo(form.get(), form.get());
    box->SetText("Coloured");
    form->Show();
    ::RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
    uitest::Pump(100);
    COMBOBOXINFO info{sizeof info};
    ASSERT_TRUE(::GetComboBoxInfo(box->Handle(), &info));
    ASSERT_FALSE(box->AskedBy.empty());
    EXPECT_EQ(info.hwndItem, box->AskedBy.back());
    RECT r;
    ::GetClientRect(info.hwndItem, &r);
    EXPECT_EQ(0xFFFF00u, uitest::ScreenPixel(info.hwndItem, r.right - 3, r.bottom / 2));
}

TEST(UiOwnerDraw, ComboBoxScreenshot) {
    VS_SCREENSHOT_ONLY();
    auto form = uitest::HostForm(300, 200);
    auto* box = new TTestOwnerCombo(form.get(), form.get(), csOwnerDrawFixed, nullptr);
    for (const char* text : {"Desktop", "Computer", "C:\\", "Folder"}) box->Add(text);
    box->SetItemIndex(1);
    form->Show();
    box->SetDroppedDown(true);
    uitest::Pump(200);
    EXPECT_TRUE(uitest::SaveWindowShot(form->Handle(), "owner_drawn_combo"));
    box->SetDroppedDown(false);
}
