#include "shell/ShellItem.h"

void (*PidlFreeFunction)(_ITEMIDLIST* pidl) = nullptr;

void TPidlDeleter::operator()(_ITEMIDLIST* pidl) const {
    if (pidl && PidlFreeFunction) PidlFreeFunction(pidl);
}

std::string AttributeLetters(std::uint32_t attributes) {
    std::string text;
    if (attributes & kFileAttrHidden) text += 'H';
    if (attributes & kFileAttrSystem) text += 'S';
    if (attributes & kFileAttrReadOnly) text += 'R';
    if (attributes & kFileAttrCompressed) text += 'C';
    if (attributes & kFileAttrArchive) text += 'A';
    return text;
}

std::string NetworkDisplayName(std::string_view path, std::string_view displayName) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t on = displayName.find(" on ");
        if (on != std::string_view::npos) return std::string(displayName.substr(0, on));
    }
    return std::string(displayName);
}

std::int64_t SlackOf(std::int64_t size, std::int64_t usedSize) {
    return size > 0 && usedSize > 0 ? usedSize - size : -1;
}

TStShellItem::TStShellItem(TStCustomShellController* controller) : Controller(controller) {}

TStShellItem::~TStShellItem() {
    // The identifier lists and the parent reference go with their members; an owned controller last.
    AbsoluteIdList.reset();
    RelativeIdList.reset();
    ParentFolder.reset();
    if (OwnsController) delete Controller;
}

void TStShellItem::AssignItem(const TStShellItem& other) {
    FModifiedDate = other.FModifiedDate;
    FSize = other.FSize;
    FUsedSize = other.FUsedSize;
    Slack = other.Slack;
    FFileCount = other.FFileCount;
    DisplayName = other.DisplayName;
    Attributes = other.Attributes;
    AttributeText = other.AttributeText;
    FIconIndex = other.FIconIndex;
    FOpenIconIndex = other.FOpenIconIndex;
    FOverlayIndex = other.FOverlayIndex;
    IsDesktop = other.IsDesktop;
    IsFile = false;
    IsFileSystemFolder = other.IsFileSystemFolder;
    IsFileSystem = other.IsFileSystem;
    Path = other.Path;
    TypeName = other.TypeName;
    FileDate = other.FileDate;
    DetailsFilled = other.DetailsFilled;
    OwnerList = other.OwnerList;
    ColumnTexts = other.ColumnTexts;
    if (OwnsController) delete Controller;
    OwnsController = false;
    Controller = other.Controller;
    Listed = other.Listed;
    if (Controller) {
        // A listed item's copy shares the folder's list and makes its own shell objects when it needs
        // them, so copying rows asks nothing of the shell.
        if (other.Listed) {
            FolderIdList = other.FolderIdList;
            AbsoluteIdList = Controller->ClonePidl(other.AbsoluteIdList.get());
        } else {
            AbsoluteIdList = other.FullIdList();
        }
        RelativeIdList = Controller->ClonePidl(other.RelativeIdList.get());
    }
    ParentFolder = other.ParentFolder;
}

bool TStShellItem::ShellObjects() const {
    if (ParentFolder && RelativeIdList) return true;
    return Listed && Controller && Controller->MakeShellObjects(*this);
}

TPidl TStShellItem::FullIdList() const {
    if (!Controller) return nullptr;
    // Without its own list a listed item names its folder, never the item: no list then.
    if (Listed && !AbsoluteIdList && !ShellObjects()) return nullptr;
    if (AbsoluteIdList || !FolderIdList) return Controller->ClonePidl(AbsoluteIdList.get());
    return Controller->CombinePidl(FolderIdList.get(), RelativeIdList.get());
}

void TStShellFolder::AssignFolder(const TStShellFolder& other) {
    AssignItem(other);
    Slot1 = other.Slot1;
    Slot2 = other.Slot2;
    Slot3 = other.Slot3;
}

void TStShellItem::LoadStats() {
    if (IsFileSystem && Controller) Controller->LoadStats(*this);
}

std::int64_t TStShellItem::Size() {
    if (FSize == -1) LoadStats();
    return FSize;
}

std::int64_t TStShellItem::UsedSize() {
    if (FSize == -1) LoadStats();
    return FUsedSize;
}

std::int64_t TStShellItem::FileCount() {
    if (FSize == -1) LoadStats();
    return FFileCount;
}

double TStShellItem::ModifiedDate() {
    if (FSize == -1) LoadStats();
    return FModifiedDate;
}

int TStShellItem::IconIndex() {
    if (FIconIndex == -1 && Controller) Controller->GetIconInfo(*this);
    return FIconIndex;
}

int TStShellItem::OpenIconIndex() {
    if (FIconIndex == -1 && Controller) Controller->GetIconInfo(*this);
    return FOpenIconIndex;
}

int TStShellItem::OverlayIndex() {
    if (FIconIndex == -1 && Controller) Controller->GetIconInfo(*this);
    return FOverlayIndex;
}

bool TStShellItem::IsFolder() const {
    return (ParentFolder || Listed) && Controller && Controller->QueryAttributes(*this, saFolder) != 0;
}

namespace {
bool Query(const TStShellItem& item, std::uint32_t attribute) {
    return !item.IsDesktop && item.Controller && item.Controller->QueryAttributes(item, attribute) != 0;
}
}  // namespace

bool TStShellItem::CanRename() const {
    return Query(*this, saCanRename);
}
bool TStShellItem::HasSubFolder() const {
    return Query(*this, saHasSubFolder);
}
bool TStShellItem::IsCompressed() const {
    return Query(*this, saCompressed);
}
bool TStShellItem::IsHidden() const {
    return Query(*this, saHidden);
}
bool TStShellItem::IsLink() const {
    return Query(*this, saLink);
}
bool TStShellItem::IsShared() const {
    return (ParentFolder || Listed) && Query(*this, saShared);
}

bool TStShellItem::InvokeDefault() {
    return Controller && Controller->InvokeDefault(*this);
}
