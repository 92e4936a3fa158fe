// The main window's browsing: opening folders (start-up, volume table, shortcuts), the filter box,
// folder sizes on and off, going up, shortcut files, and the status bar's summaries.
#include "app/MainFormUnit.h"
// after windows.h
#include <shellapi.h>

#include "app/UserPath.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "browser/BrowseTexts.h"
#include "browser/ShellLink_win.h"
#include "browser/Wildcard.h"
#include "platform/DirList.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellController_win.h"
#include "shell/ShellListView_win.h"

namespace {

// The shell's type name of a file ("Text Document"), at most 80 characters.
// A file whose data is off the disk is named to the shell with its attributes, so that nothing opens it.
std::string ShellTypeName(const std::string& path, std::uint32_t attributes) {
    SHFILEINFOW info{};
    const bool offDisk = IsDataOffDisk(attributes) && !(attributes & faDirectory);
    if (!::SHGetFileInfoW(Widen(path).c_str(), offDisk ? FILE_ATTRIBUTE_NORMAL : 0, &info, sizeof info,
                          SHGFI_TYPENAME | (offDisk ? SHGFI_USEFILEATTRIBUTES : 0)))
        return {};
    info.szTypeName[79] = 0;
    return Narrow(info.szTypeName);
}

// True when an absolute identifier list names something the shell can list: a folder, a drive, a
// virtual folder; false for a file and for null.
bool IsShellFolder(LPCITEMIDLIST pidl) {
    if (!pidl) return false;
    if (ILIsEmpty(pidl)) return true;  // the desktop
    TComPtr<IShellFolder> parent;
    LPCITEMIDLIST child = nullptr;
    if (FAILED(::SHBindToParent(pidl, IID_IShellFolder, parent.PutVoid(), &child)) || !parent) return false;
    SFGAOF attributes = SFGAO_FOLDER;
    return SUCCEEDED(parent->GetAttributesOf(1, &child, &attributes)) && (attributes & SFGAO_FOLDER);
}

void WriteStatus(TStatusBar* bar, const TStatusTexts& t) {
    if (!t.KeepPanel0) bar->SetPanelText(0, t.Panel0);
    bar->SetPanelText(1, t.Panel1);
    bar->SetPanelText(2, t.Panel2);
}

}  // namespace

void TMainForm::FormShow(TObject*) {
    // A folder that cannot be listed raises "Invalid folder" out of here; showing the window reports it
    // and shows the window all the same, and the splash stays until a listing completes (for example
    // after the user picks a volume).
    if (Params.empty()) {
        OpenDrives();
        return;
    }
    // A typed path is made absolute and checked here, once; a shell parsing name ("::{...}") goes to the
    // shell as it is.
    std::string folder = Params[0];
    if (folder.rfind("::", 0) != 0 && !UserFolderPath(Params[0], SystemDirLister(), folder))
        throw ESsInvalidFolder("Invalid folder");
    OpenFolder(folder);
}

void TMainForm::OpenFolder(const std::string& Path) {
    // A path the shell cannot parse (a folder that has gone, a shortcut leading nowhere) or that names no
    // folder (a file, a shortcut to one) is refused before the list empties itself for the new folder,
    // so the folder shown stays. The list gets the very path that was checked.
    std::string root = Path;
    if (root.size() == 2 && root[1] == ':') root += '\\';
    TPidl parsed;
    if (TStShellController* shell = StShellListView1->Controller()) {
        if (!root.empty()) parsed = shell->ParseDisplayName(root);
        // Past MAX_PATH the shell binds a path only slowly, level by level: the file system says
        // whether a parsed path is a folder.
        const bool folder =
            parsed && root.size() >= MAX_PATH ? SystemDirLister().FolderExists(root) : IsShellFolder(parsed.get());
        if (!folder) throw ESsInvalidFolder("Invalid folder");
    }
    const bool shortcutsWere = actShortcuts->Checked();
    if (!IsShortcutsFolder(Path, ExeFolder())) actShortcuts->SetChecked(false);
    try {
        StShellListView1->SetRootFolder(root, std::move(parsed));
    } catch (...) {
        // The list still shows the folder it showed, so the toggle stays as it was too.
        actShortcuts->SetChecked(shortcutsWere);
        throw;
    }
}

void TMainForm::OpenDrives() {
    StShellListView1->SetSpecialRootFolder(sfDrives);
}

bool TMainForm::ShowingDrives() const {
    return StShellListView1->SpecialRootFolder() == sfDrives && !StShellListView1->ShowingScan();
}

void TMainForm::ListCurrentFolderAgain() {
    TStShellFolder* current = StShellListView1->CurrentFolder();
    if (!current) return;  // nothing listed yet (the start folder was refused)
    // A folder without a file-system path (the drive level, the control panel) has no path to open;
    // it is listed again from its own identifier list, which also keeps "My Computer".
    if (!current->IsFileSystem)
        StShellListView1->Fill(current);
    else
        OpenFolder(CurrentFolderPath());
}

void TMainForm::actShortcutsExecute(TObject*) {
    actShortcuts->SetChecked(!actShortcuts->Checked());
    if (actShortcuts->Checked()) {
        const std::string rememberedBefore = FRememberedFolder;
        const bool drivesBefore = FRememberedDrives;
        TStShellFolder* current = StShellListView1->CurrentFolder();
        FRememberedFolder = CurrentFolderPath();
        FRememberedDrives = ShowingDrives() && (!current || !current->IsFileSystem);
        try {
            OpenFolder(ShortcutsFolder(ExeFolder()));
        } catch (...) {
            // No shortcuts folder: nothing changed, so nothing is remembered and the toggle is off.
            actShortcuts->SetChecked(false);
            FRememberedFolder = rememberedBefore;
            FRememberedDrives = drivesBefore;
            throw;
        }
    } else if (FRememberedDrives || FRememberedFolder.empty()) {
        // The folder before was the drive level, which has no path to open again.
        OpenDrives();
    } else {
        try {
            OpenFolder(FRememberedFolder);
        } catch (...) {
            // The folder has gone: the shortcuts folder is still shown, so the toggle stays on.
            actShortcuts->SetChecked(true);
            throw;
        }
    }
}

void TMainForm::actFolderSizesExecute(TObject*) {
    actFolderSizes->SetChecked(!actFolderSizes->Checked());
    // The rows stay as they are: only the folder figures are asked for, or dropped.
    StShellListView1->SetCalcFolderSize(actFolderSizes->Checked());
}

void TMainForm::UpButtonClick(TObject*) {
    StShellListView1->UpOneLevel();
}

void TMainForm::StShellListView1ItemDblClick(TObject*, TStShellItem* Item, bool& DefaultAction) {
    // A shortcut inside a saved scan leads nowhere that the scan holds.
    if (!Item || !IsShortcutType(Item->TypeName) || ShowingScan()) return;
    DefaultAction = false;
    // A shortcut that cannot be resolved raises before anything changes: the list stays on its folder.
    OpenFolder(ResolveShortcut(Item->Path, Handle()));
}

void TMainForm::StShellListView1FilterItem(TObject*, TStShellItem* ShellItem, bool& Accept) {
    if (!ShellItem) return;
    if (SplashForm)
        SplashForm->SetStatus(ShellItem->DisplayName);
    else if (ProgressForm)
        ProgressForm->SetStatus(ShellItem->DisplayName);
    StShellListView1->SetCalcFolderSize(actFolderSizes->Checked());
    // Folders, drives and the shell's own items are always listed. Files go by the mask in force, the
    // one the folder totals count by, not by what the filter box shows while the user types.
    if (ShellItem->IsFile) Accept = WildcardMatch(ShellItem->Path, StShellListView1->FileFilter());
}

void TMainForm::ApplyFileFilter(const std::string& Text) {
    const bool changed = Text != StShellListView1->FileFilter();
    StShellListView1->SetFileFilter(Text);
    // An empty mask fills nothing again by itself; listed again, the folder shows its folders only and
    // every total counts no files, instead of files the mask no longer admits.
    if (changed && Text.empty()) ListCurrentFolderAgain();
}

void TMainForm::FilterComboClick(TObject*) {
    ApplyFileFilter(FilterCombo->Text());
}

void TMainForm::FilterComboKeyPress(TObject*, wchar_t& Key) {
    if (Key != 13) return;
    Key = 0;
    const std::string text = FilterCombo->Text();
    std::vector<std::string> masks = FilterCombo->AllItems();
    if (AddFilterMask(masks, text)) {
        FilterCombo->Add(text);
        FilterCombo->SetText(text);
    }
    ApplyFileFilter(text);
}

void TMainForm::StShellListView1SelectItem(TObject*, int Index, bool) {
    ShowSelectionSummary(Index);
}

void TMainForm::ShowFolderSummary() {
    TFolderModel& model = StShellListView1->Model();
    std::vector<std::int64_t> sizes;
    sizes.reserve(model.RowCount());
    // Rows of a baseline that are gone from the disk are not objects of the folder.
    for (int r = 0; r < model.RowCount(); ++r)
        if (TStShellItem* item = model.Row(r); !StShellListView1->IsGone(*item)) sizes.push_back(item->Size());
    TFiguresNote note = fnNone;
    if (model.State() == TFiguresState::Running)
        note = fnCounting;
    else if (model.State() == TFiguresState::Cancelled)
        note = fnCancelled;
    else if (model.Incomplete())
        note = fnIncomplete;
    TStatusTexts texts =
        FolderSummary(static_cast<std::int64_t>(sizes.size()), SumOfSizes(sizes), ShowingDrives(), note);
    if (ShowingScan())
        texts.Panel0 += " - " + SavedScanText();
    else if (actFolderSizes->Checked() && FolderSizeService().TreeMode().BudgetReached)
        AddTreeBudgetNote(texts);
    WriteStatus(StatusBar1, texts);
}

void TMainForm::FolderModelChanged(const TFolderModelChange& Change) {
    // The folder combo box shows the folder of a new listing.
    if (Change.Folder)
        if (auto current = StShellComboBox1->ListCurrentFolder()) StShellComboBox1->SelectFolder(*current, false);
    // A listing's end shows its rows and sums itself; a sort alone changes no sum, and the chart keeps
    // its points (each leads to its row by id).
    if (StShellListView1->Filling() || Change.Folder) return;
    if (!Change.Folders.empty() || !Change.Updated.empty() || Change.Progress || Change.State) FolderFiguresChanged();
    if (Change.State) KeepShownFolder();
}

void TMainForm::FolderFiguresChanged() {
    // The list shows each figure as it comes; the sums and the chart follow a few times a second,
    // and at once when the last figure is in or the walk was stopped.
    if (!FFiguresTimer) {
        FFiguresTimer = new TTimer(this);
        FFiguresTimer->SetOneShot(true);
        FFiguresTimer->SetInterval(kFiguresRedrawMs);
        FFiguresTimer->OnTimer = [this](TObject*) { ShowFolderFigures(); };
    }
    if (StShellListView1->Model().State() != TFiguresState::Running) {
        FFiguresTimer->SetEnabled(false);
        ShowFolderFigures();
    } else if (!FFiguresTimer->Enabled()) {
        FFiguresTimer->SetEnabled(true);
    }
}

void TMainForm::ShowFolderFigures() {
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
    ShowFolderSummary();
    ShowWalkProgress();
}

void TMainForm::ShowWalkProgress() {
    if (!ProgressForm || SplashForm) return;
    const TFolderModel& model = StShellListView1->Model();
    if (model.State() != TFiguresState::Running) {
        if (ProgressForm->ShowingWalk()) ProgressForm->Hide();
        return;
    }
    // A listing or a report that shows the window keeps it; the calculation shows it only when it
    // is free. Called from the redraw timer, so a calculation that ends within one interval never
    // shows it at all.
    if (ProgressForm->Visible() && !ProgressForm->ShowingWalk()) return;
    ProgressForm->OnCancel = [this] { StShellListView1->CancelFigures(); };
    // A folder reads as Explorer shows it: "C:\Data", not "C:\Data\" (a drive's root keeps its "\").
    std::string folder = model.FolderBeingRead();
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    ProgressForm->ShowWalk(FilesCountedText(model.FilesCounted()), folder);
}

void TMainForm::ShowSelectionSummary(int Row) {
    TSelectionFacts facts;
    facts.ShowingDrives = ShowingDrives();
    const TFolderModel& model = StShellListView1->Model();
    TStShellItem* item = model.Row(Row);
    if (item) {
        facts.HaveItem = true;
        facts.ItemSize = item->Size();
        const std::vector<int> selected = StShellListView1->SelectedIndices();
        facts.SelectedCount = static_cast<std::int64_t>(selected.size());
        if (selected.size() == 1) {
            // A saved scan's row has its type text already; its path is not asked of the disk.
            facts.TypeName = ShowingScan() ? item->TypeName : ShellTypeName(item->Path, item->Attributes);
        } else if (selected.size() > 1) {
            std::vector<std::int64_t> sizes;
            sizes.reserve(selected.size());
            for (int row : selected)
                if (TStShellItem* s = model.Row(row)) sizes.push_back(s->Size());
            facts.SelectionTotal = SumOfSizes(sizes);
        }
    }
    WriteStatus(StatusBar1, SelectionSummary(facts));
}
