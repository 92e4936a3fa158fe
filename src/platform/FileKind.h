#pragma once
// What a path names, found without opening it for reading or writing: a program about to write a file
// can refuse a pipe or a device, which would make it wait for a reader or write into the device.
#include <string_view>

enum class TFileKind {
    None,     // nothing there (or it cannot be looked at: creating the file will say why)
    Regular,  // a file (a link to a file counts as one)
    Folder,
    Other,  // a pipe, a device, a socket
};

TFileKind FileKindOf(std::string_view path);
