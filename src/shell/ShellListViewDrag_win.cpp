// Drag and drop of the folder list: the selected items dragged out as the shell's data object, and
// drops forwarded to the shell's drop target of the row under the cursor (or of the current folder).
#include <shlobj.h>

#include "platform/ComObject_win.h"
#include "platform/WinText.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"

namespace {

// The drag source: the left button ends the drag with a drop, Escape cancels it.
class TDropSource : public TComUnknown<IDropSource, IID_IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

// Forwards to the shell's drop target of the row under the cursor, or of the current folder over empty
// space; highlights the row and scrolls near the edges. No exception leaves these methods.
class TStShellListView::TDropTarget : public TComUnknown<IDropTarget, IID_IDropTarget> {
public:
    explicit TDropTarget(TStShellListView* list) : FList(list) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
        try {
            FData = data;
            if (data) data->AddRef();
            FRow = -2;
            return Track(keys, pt, effect);
        } catch (...) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override {
        try {
            Scroll(pt);
            return Track(keys, pt, effect);
        } catch (...) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        try {
            if (FTarget) FTarget->DragLeave();
            Reset();
        } catch (...) {
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
        try {
            Track(keys, pt, effect);
            HRESULT hr = S_OK;
            if (FTarget && *effect != DROPEFFECT_NONE)
                hr = FTarget->Drop(data, keys, pt, effect);

            else if (FTarget)
                FTarget->DragLeave();
            FTarget.Reset();
            Reset();
            return hr;
        } catch (...) {
            if (Application) Application->HandleException(FList);
            *effect = DROPEFFECT_NONE;
            Reset();
            return S_OK;
        }
    }

private:
    // Finds the target under the point; a new target gets DragEnter, the old one DragLeave.
    HRESULT Track(DWORD keys, POINTL pt, DWORD* effect) {
        POINT client{pt.x, pt.y};
        ::ScreenToClient(FList->Handle(), &client);
        int row = FList->DropRowAt(client);
        if (row != FRow) {
            if (FTarget) FTarget->DragLeave();
            FTarget.Reset();
            Highlight(FRow, false);
            FRow = row;
            FTarget = TargetFor(row);
            Highlight(row, true);
            DWORD e = *effect;
            if (FTarget) FTarget->DragEnter(FData, keys, pt, &e);
        }
        if (!FTarget) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        return FTarget->DragOver(keys, pt, effect);
    }

    TComPtr<IDropTarget> TargetFor(int row) { return FList->ShellDropTarget(row); }

    void Highlight(int row, bool on) {
        if (row < 0) return;
        if (on)
            FList->SetDropHighlight(row);
        else if (FList->DropHighlight() == row)
            FList->SetDropHighlight(-1);
    }

    // Near an edge the list scrolls, after a pause that depends on the view.
    void Scroll(POINTL pt) {
        POINT client{pt.x, pt.y};
        ::ScreenToClient(FList->Handle(), &client);
        RECT r{};
        ::GetClientRect(FList->Handle(), &r);
        TViewStyle style = FList->ViewStyle();
        int dx = 0, dy = 0;
        DWORD pause = 30;
        if (style == vsList) {
            pause = 400;
            if (client.x < r.left + 10) dx = -1;
            if (client.x > r.right - 30) dx = 1;
        } else {
            pause = style == vsIcon ? 100 : 30;
            if (client.y < r.top + 30) dy = -1;
            if (client.y > r.bottom - 30) dy = 1;
        }
        DWORD now = ::GetTickCount();
        if ((dx || dy) && now - FLastScroll >= pause) {
            FLastScroll = now;
            int line = style == vsReport ? 16 : 32;
            ListView_Scroll(FList->Handle(), dx * line, dy * line);
        }
    }

    void Reset() {
        Highlight(FRow, false);
        FRow = -2;
        FTarget.Reset();
        if (FData) FData->Release();
        FData = nullptr;
    }

    TStShellListView* FList;
    IDataObject* FData = nullptr;
    TComPtr<IDropTarget> FTarget;
    int FRow = -2;
    DWORD FLastScroll = 0;
};

TComPtr<IDropTarget> TStShellListView::ShellDropTarget(int row) {
    TComPtr<IDropTarget> target;
    TStShellItem* item = row >= 0 ? RowItem(row) : FCurrentFolder.get();
    if (!item || FScan) return target;  // nothing is dropped into a saved scan
    if (DropTargetHook) return DropTargetHook(item->Path);
    if (row >= 0) {
        if (item->ShellObjects()) {
            LPCITEMIDLIST child = item->RelativeIdList.get();
            item->ParentFolder->GetUIObjectOf(Handle(), 1, &child, IID_IDropTarget, nullptr, target.PutVoid());
        }
    } else if (std::shared_ptr<IShellFolder> sf = FController->BindAbsolute(item->AbsoluteIdList.get())) {
        sf->CreateViewObject(Handle(), IID_IDropTarget, target.PutVoid());
    }
    return target;
}

IDropTarget* TStShellListView::DropTarget() const {
    return FDropTarget;
}

void TStShellListView::RegisterDropTarget() {
    if (FDropTarget || !Handle()) return;
    FDropTarget = new TDropTarget(this);
    if (FAILED(::RegisterDragDrop(Handle(), FDropTarget))) {
        // The target still serves callers that hand it drops directly.
    }
}

void TStShellListView::RevokeDropTarget() {
    if (!FDropTarget) return;
    ::RevokeDragDrop(Handle());
    FDropTarget->Release();
    FDropTarget = nullptr;
}

int TStShellListView::DropRowAt(POINT client) {
    LVHITTESTINFO hit{};
    hit.pt = client;
    int row = ListView_HitTest(Handle(), &hit);
    if (row < 0 || !(hit.flags & LVHT_ONITEM)) return -1;
    // Only folders take drops onto their row; a file row drops into the current folder.
    TStShellItem* item = RowItem(row);
    return item && item->IsFolder() ? row : -1;
}

TComPtr<IDataObject> TStShellListView::SelectionDataObject(DWORD& effects) {
    TComPtr<IDataObject> data;
    effects = DROPEFFECT_NONE;
    std::vector<LPCITEMIDLIST> children;
    IShellFolder* folder = nullptr;
    for (int row : SelectedIndices())
        if (TStShellItem* item = RowItem(row); item && item->ShellObjects()) {
            if (!folder) folder = item->ParentFolder.get();
            children.push_back(item->RelativeIdList.get());
        }
    if (!folder || children.empty()) return data;
    SFGAOF attrs = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (FAILED(folder->GetAttributesOf(static_cast<UINT>(children.size()), children.data(), &attrs))) attrs = 0;
    if (attrs & SFGAO_CANCOPY) effects |= DROPEFFECT_COPY;
    if (attrs & SFGAO_CANMOVE) effects |= DROPEFFECT_MOVE;
    if (attrs & SFGAO_CANLINK) effects |= DROPEFFECT_LINK;
    folder->GetUIObjectOf(Handle(), static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                          data.PutVoid());
    return data;
}

std::string TStShellListView::SelectionDragCaption() {
    int files = 0, folders = 0, rows = 0;
    for (int row : SelectedIndices())
        if (TStShellItem* item = RowItem(row)) {
            ++rows;
            if (item->IsFile)
                ++files;
            else if (item->IsFileSystemFolder)
                ++folders;
        }
    return DragCaption(files, folders, rows);
}

void TStShellListView::StartDrag() {
    DWORD effects = DROPEFFECT_NONE;
    TComPtr<IDataObject> data = SelectionDataObject(effects);
    if (!data || effects == DROPEFFECT_NONE) return;
    // Several rows: the shell's drag image with the multiple-documents icon and the count text.
    if (SelectedIndices().size() > 1) {
        TComPtr<IDragSourceHelper> helper;
        if (SUCCEEDED(::CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDragSourceHelper,
                                         helper.PutVoid())) &&
            helper) {
            std::wstring text = Widen(SelectionDragCaption());
            TWindowDc screen(nullptr);
            TMemDc dc(::CreateCompatibleDC(screen.Get()));
            SIZE size{};
            int w = 0, h = 0;
            TBitmapHandle bmp;
            {
                TSelectObject font(dc.Get(), FontHandle());
                ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
                w = 36 + size.cx;
                h = std::max<int>(34, size.cy);
                bmp.Reset(::CreateCompatibleBitmap(screen.Get(), w, h));
                TSelectObject bitmap(dc.Get(), bmp.Get());
                RECT r{0, 0, w, h};
                ::FillRect(dc.Get(), &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
                // The shell's multiple-documents icon.
                if (HICON icon = ::LoadIconW(::GetModuleHandleW(L"shell32.dll"), MAKEINTRESOURCEW(133)))
                    ::DrawIconEx(dc.Get(), 0, 1, icon, 32, 32, 0, nullptr, DI_NORMAL);
                TSaveDc saved(dc.Get());
                ::SetBkMode(dc.Get(), TRANSPARENT);
                ::TextOutW(dc.Get(), 36, (h - size.cy) / 2, text.c_str(), static_cast<int>(text.size()));
            }
            SHDRAGIMAGE image{};
            image.sizeDragImage = SIZE{w, h};
            image.ptOffset = POINT{16, 16};
            image.hbmpDragImage = bmp.Get();
            image.crColorKey = RGB(255, 255, 255);
            // The helper owns the bitmap once it accepted it.
            if (SUCCEEDED(helper->InitializeFromBitmap(&image, data.Get()))) bmp.Release();
        }
    }
    TDropSource* source = new TDropSource;
    DWORD effect = DROPEFFECT_NONE;
    ::DoDragDrop(data.Get(), source, effects, &effect);
    source->Release();
}
