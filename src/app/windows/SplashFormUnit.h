#pragma once
// SplashForm: the borderless rounded window shown while the program starts.
#include <string>

#include "ui/Forms.h"

class TAnimate;
class TIconImage;
class TLabel;

class TSplashForm : public TForm {
public:
    explicit TSplashForm(TComponent* owner);

    // Shows Text on the status line, then lets pending messages run so the window repaints.
    void SetStatus(const std::string& text);

    TIconImage* ProgramIcon;
    TLabel* ProductName;
    TLabel* Version;
    TLabel* Copyright;
    TLabel* Label1;
    TLabel* Label2;
    TAnimate* Animate1;

private:
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
};

// The copyright notice of the splash and about windows.
extern const char* const kCopyrightNotice;
