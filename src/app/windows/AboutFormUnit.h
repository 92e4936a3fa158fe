#pragma once
// AboutBox: the borderless rounded window with the program's name, version, notice and web link.
#include <functional>
#include <string>

#include "ui/Forms.h"

class TIconImage;
class TLabel;
class TVrHyperButton;
class TVrHyperLink;

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* owner);

    TIconImage* ProgramIcon;
    TLabel* ProductName;
    TLabel* Version;
    TLabel* Copyright;
    TVrHyperLink* VrHyperLink1;
    TVrHyperButton* VrHyperButton1;

    // Opens a web address; asks the shell to "open" it unless replaced (tests do).
    std::function<void(const std::string& address)> OpenAddress;

    void OkButtonClick(TObject* Sender);
    void VrHyperLink1Click(TObject* Sender);

private:
    void FormCreate(TObject* Sender);
};

// The maker's web address behind the about window's link.
extern const char* const kMakerAddress;
