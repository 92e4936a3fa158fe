#pragma once
// ProgressForm: the small tool window shown while a listing or a report runs. It shows either
// the find-folder animation (listings; the state it is left in) or a percentage gauge (reports).
#include <string>

#include "ui/Forms.h"

class TAnimate;
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

    TLabel* Label1;
    TGauge* Gauge1;
    TAnimate* Animate1;

private:
    // Showing the hidden window starts the animation and resets the status line; hiding it
    // stops the animation.
    void FormShow(TObject* Sender);
    void FormHide(TObject* Sender);
};
