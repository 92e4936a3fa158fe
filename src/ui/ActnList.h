#pragma once
// Actions: each command is defined once and every control bound to it (tool buttons, speed buttons,
// menu items) follows its caption, hint, image, shortcut, checked and enabled state.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"

class TImageList;
class TAction;
class TActionList;

// A key with its shift state: the virtual key in the low word, the modifier flags of TShiftState above it.
using TShortCut = unsigned;
constexpr TShortCut ShortCut(unsigned key, unsigned shift) {
    return key | (shift << 16);
}
// "Ctrl+V", "Shift+Ctrl+S", "F1"; empty for 0.
std::string ShortCutToText(TShortCut shortCut);

// Anything bound to an action: told when the action's properties change.
class TActionClient {
public:
    virtual void ActionChanged(TAction* action) = 0;

protected:
    ~TActionClient() = default;
};

class TAction : public TComponent {
public:
    TAction(TActionList* list, const std::string& name);
    ~TAction() override;

    TActionList* ActionList() const { return FList; }
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut shortCut);
    bool Checked() const { return FChecked; }
    // Checking an action with a group index unchecks the other actions of its list in that group.
    void SetChecked(bool checked);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index) { FGroupIndex = index; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Whether the action may run while a long operation is in progress (pane toggles and the like).
    // Others are held back until it ends; a second request while held back is dropped.
    bool RunsWhileBusy() const { return FRunsWhileBusy; }
    void SetRunsWhileBusy(bool on) { FRunsWhileBusy = on; }

    // Runs OnExecute (if enabled). Returns true when the action ran or was held back.
    bool Execute();
    // Runs OnUpdate, if any.
    void Update();

    void AddClient(TActionClient* client);
    void RemoveClient(TActionClient* client);

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

private:
    void Changed();

    TActionList* FList;
    std::string FCaption;
    std::string FHint;
    int FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    int FGroupIndex = 0;
    bool FEnabled = true;
    bool FRunsWhileBusy = false;
    bool FHeldBack = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);  // for held-back runs
    std::vector<TActionClient*> FClients;
};

class TActionList : public TComponent {
public:
    // Registers with its owner's form, which then answers the shortcuts and runs idle updates.
    explicit TActionList(TComponent* owner);
    ~TActionList() override;

    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* images) { FImages = images; }
    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TAction* Actions(int index) const { return FActions.at(index); }
    TAction* Find(const std::string& name) const;

    bool IsShortCut(unsigned key, unsigned shift);
    void UpdateActions();

private:
    friend class TAction;
    std::vector<TAction*> FActions;
    TImageList* FImages = nullptr;
};
