// shellext-nsis: writes the NSIS macros VsRegisterShellExt and VsUnregisterShellExt to standard output.
// They hold what RegisterShellExtension and UnregisterShellExtension do, recorded through a registry
// object that writes nothing: each key from the classes root becomes the same key under
// Software\Classes of SHCTX (HKCU for one user, HKLM for all users), and the library path is the one
// in the installation folder.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "shellext/ShellExtRegistry.h"

namespace {

// Stands for the installation folder in a recorded value.
constexpr char kInstallFolder = '\x01';

// A text as an NSIS string in double quotes: $ and " are escaped; the marker becomes $INSTDIR\.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == kInstallFolder)
            out += "$INSTDIR\\";
        else if (c == '$')
            out += "$$";
        else if (c == '"')
            out += "$\\\"";
        else if (c == '\r')
            out += "$\\r";
        else if (c == '\n')
            out += "$\\n";
        else
            out += c;
    }
    return out + "\"";
}

// "\CLSID\x" -> "Software\Classes\CLSID\x": the classes root as seen in one scope.
std::string ScopedKey(const std::string& path) {
    std::size_t start = path.find_first_not_of('\\');
    return "Software\\Classes\\" + path.substr(start == std::string::npos ? path.size() : start);
}

class TRecordingRegistry : public TRegistry {
public:
    TRecordingRegistry() : TRegistry(nullptr) {}
    std::vector<std::string> Lines;

    LONG OpenKey(const std::string& path, bool canCreate) override {
        FOpen = path;
        // Opening without creating is a no-op in NSIS; creating it is what writing a value does.
        if (canCreate) Lines.push_back("!insertmacro VsCreateRegKey " + Quoted(ScopedKey(path)));
        return ERROR_SUCCESS;
    }
    void CloseKey() override { FOpen.clear(); }
    void WriteString(const std::string& name, const std::string& value) override {
        if (FOpen.empty()) throw std::runtime_error("Failed to set data for '" + name + "'");
        Lines.push_back("WriteRegStr SHCTX " + Quoted(ScopedKey(FOpen)) + " " + Quoted(name) + " " + Quoted(value));
    }
    void CreateKey(const std::string& path) override {
        Lines.push_back("!insertmacro VsCreateRegKey " + Quoted(ScopedKey(path)));
    }
    LONG DeleteKey(const std::string& path) override {
        Lines.push_back("DeleteRegKey SHCTX " + Quoted(ScopedKey(path)));
        return ERROR_SUCCESS;
    }
    bool KeyExists(const std::string&) override { return false; }

private:
    std::string FOpen;
};

void PrintMacro(const char* name, const std::vector<std::string>& lines) {
    std::printf("!macro %s\n", name);
    for (const std::string& line : lines) std::printf("    %s\n", line.c_str());
    std::printf("!macroend\n");
}

}  // namespace

int wmain() {
    try {
        TRecordingRegistry reg;
        RegisterShellExtension(reg, std::string(1, kInstallFolder) + kShellExtLibraryName);
        TRecordingRegistry unreg;
        UnregisterShellExtension(unreg);
        std::printf("; Made by shellext-nsis from the program's registration code.\n");
        PrintMacro("VsRegisterShellExt", reg.Lines);
        PrintMacro("VsUnregisterShellExt", unreg.Lines);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "shellext-nsis: %s\n", e.what());
        return 1;
    }
}
