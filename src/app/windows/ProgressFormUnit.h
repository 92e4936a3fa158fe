#pragma once
// ProgressForm: the small tool window shown while a listing, a report or a folder-size calculation
// runs. It shows either the find-folder animation (listings; the state it is left in) or a percentage
// gauge (reports); for a calculation it adds the running count, the folder being read and a Cancel
// button.
#include <functional>
#include <string>

#include "ui/Forms.h"

class TAnimate;
class TButton;
class TGauge;
class TLabel;

class TProgressForm : public TForm {
public:
    explicit TProgressForm(TComponent* owner);

    // Shows Text on the status line, then lets pending messages run so the window repaints.
    void SetStatus(const std::string& text);
    // Hides the gauge and shows the animation.
    void ShowAnimation();
    // Hides the animation, shows the gauge and sets its progress to 0.
    void ShowGauge();
    // The calculation's state: count text, folder being read and the Cancel button (Esc too, when the
    // window has the focus), which calls OnCancel. Shown without taking the focus from the main
    // window, where Esc cancels as well.
    void ShowWalk(const std::string& countText, const std::string& folder);
    // Back to the listing's layout (no count, no button).
    void EndWalk();
    bool ShowingWalk() const { return FWalk; }

    std::function<void()> OnCancel;

    TLabel* Label1;
    TGauge* Gauge1;
    TAnimate* Animate1;
    TLabel* CountLabel;
    TButton* CancelButton;

private:
    // Showing the hidden window starts the animation and resets the status line; hiding it
    // stops the animation.
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);
    bool FWalk = false;
};
