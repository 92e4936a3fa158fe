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

    CountLabel = new TLabel(this, this);
    CountLabel->SetName("CountLabel");
    CountLabel->SetFont(TFont{"Verdana", 8, 0, clWindowText});
    CountLabel->SetAutoSize(false);
    CountLabel->SetAlignment(taCenter);
    CountLabel->SetBounds(13, 60, 232, 13);
    CountLabel->Hide();

    CancelButton = new TButton(this, this);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("Cancel");
    CancelButton->SetBounds(92, 96, 75, 23);
    CancelButton->Hide();
    CancelButton->OnClick = [this](TObject*) {
        if (OnCancel) OnCancel();
    };

    SetKeyPreview(true);
    OnKeyPress = [this](TObject*, wchar_t& key) {
        if (key == 27 && FWalk) {
            key = 0;
            if (OnCancel) OnCancel();
        }
    };
    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnHide = [this](TObject* sender) { FormHide(sender); };
}

void TProgressForm::FormShow(TObject*) {
    Animate1->Play();
    Label1->SetCaption("Please wait...");
}

void TProgressForm::FormHide(TObject*) {
    Animate1->Stop();
    EndWalk();
}

void TProgressForm::SetStatus(const std::string& text) {
    Label1->SetCaption(text);
    Application->ProcessMessages();
}

void TProgressForm::ShowAnimation() {
    EndWalk();
    Gauge1->Hide();
    Animate1->Show();
}

void TProgressForm::ShowGauge() {
    EndWalk();
    Animate1->Hide();
    Gauge1->Show();
    Gauge1->SetProgress(0);
}

void TProgressForm::ShowWalk(const std::string& countText, const std::string& folder) {
    if (!FWalk) {
        FWalk = true;
        Gauge1->Hide();
        Animate1->Show();
        // Bounds set after construction are in design units: scale them to the window's DPI.
        SetClientSize(Scale(258), Scale(128));
        Label1->SetBounds(Scale(13), Scale(76), Scale(232), Scale(13));
        Label1->SetPathEllipsis(true);
        CountLabel->Show();
        CancelButton->Show();
    }
    if (!Visible()) ShowInactive();  // showing resets the status line: the texts come after
    CountLabel->SetCaption(countText);
    Label1->SetCaption(folder);
}

void TProgressForm::EndWalk() {
    if (!FWalk) return;
    FWalk = false;
    CountLabel->Hide();
    CancelButton->Hide();
    Label1->SetPathEllipsis(false);
    Label1->SetBounds(Scale(13), Scale(64), Scale(232), Scale(13));
    SetClientSize(Scale(258), Scale(85));
}
