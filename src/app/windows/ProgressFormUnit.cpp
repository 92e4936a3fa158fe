#include "app/windows/ProgressFormUnit.h"

#include "app/ActionImages.h"
#include "ui/Animate.h"
#include "ui/Gauge.h"
#include "ui/StdCtrls.h"

TProgressForm::TProgressForm(TComponent* owner) : TForm(owner, bsToolWindow) {
    SetName("ProgressForm");
    SetCaption("Collecting Information");
    SetBorderIconsNone();
    SetColor(clBtnFace);
    SetPosition(poScreenCenter);
    SetClientSize(258, 85);

    Label1 = new TLabel(this, this);
    Label1->SetName("Label1");
    Label1->SetFont(TFont{"Verdana", 8, 0, clWindowText});
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetBounds(13, 64, 232, 13);

    Gauge1 = new TGauge(this, this);
    Gauge1->SetName("Gauge1");
    Gauge1->SetBounds(8, 16, 241, 32);
    Gauge1->SetProgress(0);
    Gauge1->Hide();

    // Made after the gauge, so that it lies above it where the two overlap.
    Animate1 = new TAnimate(this, this, aviFindFolder, kFindFolderFrameCount, PaintFindFolderFrame);
    Animate1->SetName("Animate1");
    Animate1->SetBounds(89, 8, 80, 50);

    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnHide = [this](TObject* sender) { FormHide(sender); };
}

void TProgressForm::FormShow(TObject*) {
    Animate1->Play();
    Label1->SetCaption("Please wait...");
}

void TProgressForm::FormHide(TObject*) {
    Animate1->Stop();
}

void TProgressForm::SetStatus(const std::string& text) {
    Label1->SetCaption(text);
    Application->ProcessMessages();
}

void TProgressForm::ShowAnimation() {
    Gauge1->Hide();
    Animate1->Show();
}

void TProgressForm::ShowGauge() {
    Animate1->Hide();
    Gauge1->Show();
    Gauge1->SetProgress(0);
}
