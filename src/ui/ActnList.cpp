#include "ui/ActnList.h"

#include <algorithm>

#include "ui/Controls.h"
#include "ui/Forms.h"

std::string ShortCutToText(TShortCut shortCut) {
    if (!shortCut) return {};
    unsigned key = shortCut & 0xFFFF, shift = shortCut >> 16;
    std::string text;
    if (shift & ssShift) text += "Shift+";
    if (shift & ssCtrl) text += "Ctrl+";
    if (shift & ssAlt) text += "Alt+";
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        text += static_cast<char>(key);
    else if (key >= VK_F1 && key <= VK_F24)
        text += "F" + std::to_string(key - VK_F1 + 1);
    else if (key == VK_ESCAPE)
        text += "Esc";
    else if (key == VK_RETURN)
        text += "Enter";
    else if (key == VK_DELETE)
        text += "Del";
    else
        text += "#" + std::to_string(key);
    return text;
}

TAction::TAction(TActionList* list, const std::string& name) : TComponent(list), FList(list) {
    SetName(name);
    FList->FActions.push_back(this);
}

TAction::~TAction() {
    *FAlive = false;
    // Bound controls forget the action; they may outlive it during teardown.
    std::vector<TActionClient*> clients;
    clients.swap(FClients);
    for (TActionClient* c : clients) c->ActionChanged(nullptr);
    auto& list = FList->FActions;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TAction::Changed() {
    std::vector<TActionClient*> clients = FClients;
    for (TActionClient* c : clients) c->ActionChanged(this);
}

void TAction::SetCaption(const std::string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    Changed();
}

void TAction::SetHint(const std::string& hint) {
    if (hint == FHint) return;
    FHint = hint;
    Changed();
}

void TAction::SetImageIndex(int index) {
    if (index == FImageIndex) return;
    FImageIndex = index;
    Changed();
}

void TAction::SetShortCut(TShortCut shortCut) {
    if (shortCut == FShortCut) return;
    FShortCut = shortCut;
    Changed();
}

void TAction::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    if (checked && FGroupIndex > 0)
        for (TAction* other : FList->FActions)
            if (other != this && other->FGroupIndex == FGroupIndex) other->SetChecked(false);
    Changed();
}

void TAction::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Changed();
}

bool TAction::Execute() {
    if (!FEnabled) return false;
    if (Application->Busy() && !FRunsWhileBusy) {
        // Not inside a running listing or report: run it once that has ended.
        if (!FHeldBack) {
            FHeldBack = true;
            Application->RunWhenNotBusy([this, alive = FAlive] {
                if (!*alive) return;  // the action went while it waited
                FHeldBack = false;
                Execute();
            });
        }
        return true;
    }
    if (OnExecute) OnExecute(this);
    return true;
}

void TAction::Update() {
    if (OnUpdate) OnUpdate(this);
}

void TAction::AddClient(TActionClient* client) {
    if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) FClients.push_back(client);
}

void TAction::RemoveClient(TActionClient* client) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), client), FClients.end());
}

TActionList::TActionList(TComponent* owner) : TComponent(owner) {
    if (auto* form = dynamic_cast<TForm*>(owner)) form->AddActionList(this);
}

TActionList::~TActionList() {
    if (auto* form = dynamic_cast<TForm*>(Owner())) form->RemoveActionList(this);
    DestroyComponents();
}

TAction* TActionList::Find(const std::string& name) const {
    for (TAction* a : FActions)
        if (a->Name() == name) return a;
    return nullptr;
}

bool TActionList::IsShortCut(unsigned key, unsigned shift) {
    TShortCut sc = ShortCut(key, shift);
    for (TAction* a : FActions)
        if (a->ShortCut() == sc && a->Enabled()) return a->Execute();
    return false;
}

void TActionList::UpdateActions() {
    std::vector<TAction*> actions = FActions;
    for (TAction* a : actions) a->Update();
}
