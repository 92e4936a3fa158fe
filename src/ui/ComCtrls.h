#pragma once
// Tool bar, status bar and report-style list views.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ActnList.h"
#include "ui/Controls.h"

class TImageList;
class TPopupMenu;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsDropDown, tbsSeparator, tbsControl };

// One position of a tool bar: a button (bound to an action), a drop-down button (the face runs the
// action, the arrow opens DropdownMenu), a separator, or the place of a hosted control.
class TToolButton : public TComponent, private TActionClient {
public:
    ~TToolButton() override;

    TToolBar* ToolBar() const { return FToolBar; }
    TToolButtonStyle Style() const { return FStyle; }
    int Index() const;
    int CommandId() const { return FId; }
    TAction* Action() const { return FAction; }
    void SetAction(TAction* action);
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* menu) { FDropdownMenu = menu; }
    int ImageIndex() const { return FImageIndex; }
    const std::string& Hint() const { return FHint; }
    // Drawn pressed: the bound action is checked.
    bool Down() const;
    // The button's rectangle in the tool bar's client coordinates.
    RECT ItemRect() const;
    // Separators and control places: width in pixels.
    int Width() const { return FWidth; }
    TControl* HostedControl() const { return FControl; }

    // What clicking the face and the arrow do (also for tests and keyboard use).
    void Click();
    void ClickArrow();

private:
    friend class TToolBar;
    TToolButton(TToolBar* bar, const std::string& name, TToolButtonStyle style, int width, TControl* control);
    void ActionChanged(TAction* action) override;

    TToolBar* FToolBar;
    TToolButtonStyle FStyle;
    int FId;
    int FWidth;
    TControl* FControl;
    TAction* FAction = nullptr;
    TPopupMenu* FDropdownMenu = nullptr;
    int FImageIndex = -1;
    std::string FHint;
};

class TToolBar : public TWinControl {
public:
    TToolBar(TComponent* owner, TWinControl* parent);

    void SetImages(TImageList* images);
    TImageList* Images() const { return FImages; }
    // Appends a position. Widths are design pixels (96 DPI) scaled to the bar's DPI.
    TToolButton* AddButton(const std::string& name, TAction* action, TToolButtonStyle style = tbsButton);
    TToolButton* AddSeparator(const std::string& name, int designWidth = 8);
    // A control (a child of the bar) placed at the next position; it keeps its own width.
    TToolButton* AddControl(const std::string& name, TControl* control);

    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TToolButton* Buttons(int index) const { return FButtons.at(index); }
    TToolButton* FindButton(int commandId) const;
    // Count of positions the system control holds (equals ButtonCount).
    int SystemButtonCount() const;

    bool HandleCommand(WORD code, WORD id, LRESULT& result) override;
    bool HandleNotify(NMHDR* header, LRESULT& result) override;
    void ChangeScale(int newDpi, int oldDpi) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void Resized() override;

private:
    friend class TToolButton;
    TToolButton* Insert(const std::string& name, TToolButtonStyle style, int width, TControl* control);
    void SyncButton(TToolButton* button);
    void PlaceControls();
    void ApplyButtonSize();

    TImageList* FImages = nullptr;
    std::vector<TToolButton*> FButtons;
    int FNextId = 100;
    std::wstring FTipText;
};

// A status bar with panels of fixed widths; the last panel runs to the right edge.
class TStatusBar : public TWinControl {
public:
    TStatusBar(TComponent* owner, TWinControl* parent);

    int PanelCount() const { return static_cast<int>(FWidths.size()); }
    // Widths in pixels (design widths are scaled by the caller).
    void AddPanel(int width);
    int PanelWidth(int index) const { return FWidths.at(index); }
    void SetPanelWidth(int index, int width);
    std::string PanelText(int index) const { return FTexts.at(index); }
    void SetPanelText(int index, const std::string& text);
    // The right edges the system control really holds (for checking the layout).
    std::vector<int> SystemPartEdges() const;
    void ChangeScale(int newDpi, int oldDpi) override;

private:
    void ApplyParts();

    std::vector<int> FWidths;
    std::vector<std::string> FTexts;
};

// One row of a list view as its owner supplies it.
struct TListItemData {
    std::string Caption;
    std::vector<std::string> SubItems;
    int ImageIndex = -1;
    int OverlayIndex = -1;  // the image list's overlay (0 = the first), -1 = none
    bool Cut = false;       // drawn dimmed, as a cut item
};

// A find request of a virtual list (typing a name): the row whose caption equals Text (or, with
// Partial, begins with it), or whose data equals Data with ByData.
struct TListFindRequest {
    std::string Text;
    bool Partial = false;
    bool ByData = false;
    LPARAM Data = 0;
    bool Wrap = false;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

struct TListViewOptions {
    bool OwnerData = false;  // virtual: rows are asked for through OnData
    bool MultiSelect = false;
    bool ReadOnly = true;  // no in-place renaming
    bool RowSelect = true;
    bool HideSelection = false;
};

using TListDataEvent = std::function<void(TObject* Sender, int Index, TListItemData& Item)>;
using TListSelectEvent = std::function<void(TObject* Sender, int Index, bool Selected)>;
using TListColumnEvent = std::function<void(TObject* Sender, int Column)>;
// The text colour of a row; clNone keeps the list's own.
using TListItemColorEvent = std::function<TColor(TObject* Sender, int Index)>;
// In-place renaming ended with Text (null Text: cancelled); Accept = false keeps the old name.
using TListEditedEvent = std::function<void(TObject* Sender, int Index, const std::string& Text, bool& Accept)>;
// Virtual lists: the row that answers a find request from row Start on, or -1.
using TListFindEvent = std::function<int(TObject* Sender, int Start, const TListFindRequest& Request)>;
// Virtual lists: rows First..Last are about to be drawn.
using TListCacheHintEvent = std::function<void(TObject* Sender, int First, int Last)>;
// In-place editing is about to start on a row; Allow = false refuses.
using TListEditingEvent = std::function<void(TObject* Sender, int Index, bool& Allow)>;
using TListIndexEvent = std::function<void(TObject* Sender, int Index)>;

// A report-style list view with columns.
class TListView : public TWinControl {
public:
    TListView(TComponent* owner, TWinControl* parent, const TListViewOptions& options = {});

    const TListViewOptions& Options() const { return FOptions; }
    // Columns: design width (96 DPI), scaled to the current DPI.
    int AddColumn(const std::string& caption, int designWidth, TAlignment alignment = taLeftJustify);
    int ColumnCount() const;
    std::string ColumnCaption(int index) const;
    int ColumnWidth(int index) const;
    TAlignment ColumnAlignment(int index) const;
    void SetSmallImages(TImageList* images);
    TImageList* SmallImages() const { return FImages; }
    // Image lists the list does not own (the system's): small and large icons.
    void SetSharedImages(HIMAGELIST small, HIMAGELIST large);
    void ClearColumns();
    TViewStyle ViewStyle() const;
    void SetViewStyle(TViewStyle style);
    // The header's sort arrow on one column (up when ascending); column -1 removes it.
    void SetSortArrow(int column, bool ascending);
    // The column showing a sort arrow and its direction; -1 when none.
    int SortArrowColumn(bool* ascending = nullptr) const;

    int ItemCount() const;
    // Plain lists: rows are held by the control.
    int AddItem(const TListItemData& item, LPARAM data = 0);
    void SetItem(int index, const TListItemData& item);
    TListItemData Item(int index) const;
    LPARAM ItemData(int index) const;
    void DeleteItem(int index);
    void Clear();
    // Virtual lists: sets the row count and redraws.
    void SetItemCount(int count);
    // Virtual lists: the data of rows first..last (last -1: to the end) changed; they are asked for
    // again when next drawn.
    void RowsChanged(int first = 0, int last = -1);
    // The row drawn as a drop target (virtual lists keep no such state themselves); -1 = none.
    void SetDropHighlight(int row);
    int DropHighlight() const { return FDropRow; }
    // Starts in-place editing of a row (the list must not be read-only).
    void EditCaption(int index);
    int TopIndex() const;

    int SelectedIndex() const;  // the first selected row, or -1
    std::vector<int> SelectedIndices() const;
    void SetSelected(int index, bool selected = true);
    int FocusedIndex() const;
    void EnsureVisible(int index);

    TListDataEvent OnData;
    TListSelectEvent OnSelectItem;
    TListColumnEvent OnColumnClick;
    TListItemColorEvent OnItemColor;
    TListEditedEvent OnEdited;
    TListEditingEvent OnEditing;
    TListFindEvent OnFindItem;
    TListCacheHintEvent OnCacheHint;
    TListIndexEvent OnBeginDrag;

    bool HandleNotify(NMHDR* header, LRESULT& result) override;
    void ChangeScale(int newDpi, int oldDpi) override;

private:
    TListViewOptions FOptions;
    TImageList* FImages = nullptr;
    std::vector<TAlignment> FAlignments;
    TListItemData FCache;  // the row last asked for (virtual lists)
    int FCacheIndex = -1;
    int FDropRow = -1;
    std::wstring FTextBuffer;
};
