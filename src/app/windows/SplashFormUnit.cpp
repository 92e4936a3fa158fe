#include "app/windows/SplashFormUnit.h"

#include "../../../res/resource.h"
#include "app/ActionImages.h"
#include "app/windows/IconImage.h"
#include "app/windows/RoundedShape.h"
#include "ui/Animate.h"
#include "ui/StdCtrls.h"

const char* const kCopyrightNotice =
    "Copyright \xC2\xA9 2026 Voluscope Software. Shows where the space of your volumes goes.";

namespace {

constexpr TColor kSplashColor = 16771022;  // red 206, green 231, blue 255

TLabel* MakeLabel(TForm* form, const char* name, int left, int top, const std::string& caption) {
    auto* label = new TLabel(form, form);
    label->SetName(name);
    label->SetBounds(left, top, label->Width(), label->Height());
    label->SetCaption(caption);
    return label;
}

}  // namespace

TSplashForm::TSplashForm(TComponent* owner) : TForm(owner, bsNone) {
    SetName("SplashForm");
    SetColor(kSplashColor);
    SetFont(TFont{"Verdana", 8, 0, clWindowText});
    SetPosition(poScreenCenter);
    SetClientSize(378, 229);

    ProgramIcon = new TIconImage(this, this, IDI_VOLUSCOPE);
    ProgramIcon->SetName("ProgramIcon");
    ProgramIcon->SetBounds(39, 15, 50, 50);

    ProductName = MakeLabel(this, "ProductName", 111, 25, "");
    ProductName->SetFont(TFont{"Verdana", 16, 0, clBlue});
    ProductName->SetWordWrap(true);
    ProductName->SetWidth(240);  // room for the name on one line; longer text wraps
    ProductName->SetCaption("Voluscope");

    Version = MakeLabel(this, "Version", 113, 56, "Version ");

    Copyright = MakeLabel(this, "Copyright", 65, 79, "");
    Copyright->SetWordWrap(true);
    Copyright->SetWidth(240);
    Copyright->SetCaption(kCopyrightNotice);

    Label1 = MakeLabel(this, "Label1", 40, 135, "");
    Label1->SetFont(TFont{"Verdana", 10, fsBold, clWindowText});
    Label1->SetCaption("Analysing disk information:");

    Label2 = MakeLabel(this, "Label2", 25, 207, "");
    Label2->SetAutoSize(false);
    Label2->SetAlignment(taCenter);
    Label2->SetBounds(25, 207, 329, 13);

    Animate1 = new TAnimate(this, this, aviFindFolder, kFindFolderFrameCount, PaintFindFolderFrame);
    Animate1->SetName("Animate1");
    Animate1->SetBounds(149, 151, 80, 50);

    OnCreate = [this](TObject* sender) { FormCreate(sender); };
    OnShow = [this](TObject* sender) { FormShow(sender); };
}

void TSplashForm::FormCreate(TObject*) {
    if (ApplyRoundedShape(*this)) KeepRoundedShape(*this);
    Version->SetCaption(ProgramVersionText());
}

void TSplashForm::FormShow(TObject*) {
    Animate1->Play();
    SetStatus("Please wait...");
    Application->ProcessMessages();
}

void TSplashForm::SetStatus(const std::string& text) {
    Label2->SetCaption(text);
    Application->ProcessMessages();
}
