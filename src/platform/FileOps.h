#pragma once
// Small file operations for the program's own files (the scan history).
#include <string>
#include <string_view>

// Makes a folder and every missing folder above it. False, with the system's reason in reason, when
// it cannot be made (a file in the way, no right to write, ...).
bool MakeFolders(std::string_view path, std::string& reason);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(std::string_view path);
// The per-user folder for the program's data: "%LOCALAPPDATA%\Voluscope" on Windows; on POSIX
// "$XDG_DATA_HOME/voluscope", else "$HOME/.local/share/voluscope". Empty when the system names none.
std::string UserDataFolder();
