#pragma once
// The common file-save and file-open dialogs.
#include <functional>
#include <string>

#include "ui/Component.h"

class TSaveDialog : public TComponent {
public:
    explicit TSaveDialog(TComponent* owner) : TComponent(owner) {}

    // Pairs of description and patterns separated by "|": "CSV files (*.csv)|*.csv".
    std::string Filter;
    std::string DefaultExt;  // without the dot
    std::string FileName;    // the proposed name in, the chosen path out
    std::string Title;
    std::string InitialDir;
    bool OverwritePrompt = true;

    // Shows the dialog owned by the active window; true with FileName set when the user chose a file.
    bool Execute();

    // Tests answer the dialog without showing it: the hook gets the dialog and returns what
    // Execute returns.
    using THook = std::function<bool(TSaveDialog& dialog)>;
    static THook SetHook(THook hook);
};

// The common file-open dialog: the file must exist.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    std::string Filter;    // as TSaveDialog's
    std::string FileName;  // the chosen path out
    std::string Title;
    std::string InitialDir;

    bool Execute();

    using THook = std::function<bool(TOpenDialog& dialog)>;
    static THook SetHook(THook hook);
};
