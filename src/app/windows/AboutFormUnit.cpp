#include "app/windows/AboutFormUnit.h"

#include <shellapi.h>

#include "../../../res/resource.h"
#include "app/windows/IconImage.h"
#include "app/windows/RoundedShape.h"
#include "app/windows/SplashFormUnit.h"
#include "platform/WinText.h"
#include "ui/HyperButton.h"
#include "ui/HyperLink.h"
#include "ui/StdCtrls.h"

const char* const kMakerAddress = "https://voluscope.example.org/";

namespace {

constexpr TColor kAboutColor = 16771022;   // red 206, green 231, blue 255
constexpr TColor kButtonColor = 16769217;  // red 193, green 224, blue 255

void OpenWithShell(const std::string& address) {
    ::ShellExecuteW(nullptr, L"open", Widen(address).c_str(), L"", L"", SW_SHOWNORMAL);
}

}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner, bsNone), OpenAddress(OpenWithShell) {
    SetName("AboutBox");
    SetColor(kAboutColor);
    SetFont(TFont{"Verdana", 8, 0, clWindowText});
    SetPosition(poScreenCenter);
    SetClientSize(298, 213);

    ProgramIcon = new TIconImage(this, this, IDI_VOLUSCOPE);
    ProgramIcon->SetName("ProgramIcon");
    ProgramIcon->SetBounds(16, 8, 50, 50);

    ProductName = new TLabel(this, this);
    ProductName->SetName("ProductName");
    ProductName->SetFont(TFont{"Verdana", 16, 0, clBlue});
    ProductName->SetLeft(96);
    ProductName->SetTop(6);
    ProductName->SetCaption("Voluscope");

    Version = new TLabel(this, this);
    Version->SetName("Version");
    Version->SetLeft(96);
    Version->SetTop(58);
    Version->SetCaption("Version ");

    Copyright = new TLabel(this, this);
    Copyright->SetName("Copyright");
    Copyright->SetWordWrap(true);
    Copyright->SetBounds(16, 80, 240, Copyright->Height());
    Copyright->SetCaption(kCopyrightNotice);

    VrHyperLink1 = new TVrHyperLink(this, this);
    VrHyperLink1->SetName("VrHyperLink1");
    VrHyperLink1->SetFont(TFont{"Verdana", 10, fsBold | fsUnderline, clNavy});
    VrHyperLink1->SetColor(kAboutColor);
    VrHyperLink1->SetColorHighlight(clBlue);
    VrHyperLink1->SetBounds(16, 132, 265, 25);
    VrHyperLink1->OnClick = [this](TObject* sender) { VrHyperLink1Click(sender); };

    VrHyperButton1 = new TVrHyperButton(this, this);
    VrHyperButton1->SetName("VrHyperButton1");
    VrHyperButton1->SetCaption("OK");
    VrHyperButton1->SetColor(kButtonColor);
    VrHyperButton1->SetBorderColors(clGray, clWhite, clBlack);
    VrHyperButton1->SetBounds(99, 178, 100, 25);
    VrHyperButton1->OnClick = [this](TObject* sender) { OkButtonClick(sender); };
    SetActiveControl(VrHyperButton1);

    OnCreate = [this](TObject* sender) { FormCreate(sender); };
}

void TAboutBox::FormCreate(TObject*) {
    if (ApplyRoundedShape(*this)) KeepRoundedShape(*this);
    Version->SetCaption(ProgramVersionText());
    VrHyperLink1->SetCaption(kMakerAddress);
}

void TAboutBox::OkButtonClick(TObject*) {
    SetModalResult(mrOk);
}

void TAboutBox::VrHyperLink1Click(TObject*) {
    if (OpenAddress) OpenAddress(VrHyperLink1->Caption());
}
