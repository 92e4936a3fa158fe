#include "reports/HtmlReport_win.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <cstdio>

#include "platform/DateTime.h"
#include "platform/LongPath_win.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "platform/info.h"
#include "reports/ReportWriters.h"
#include "shell/FolderRows.h"
#include "ui/Forms.h"

namespace {

// The reserved name with another extension: "C:\Temp\du1A.tmp" -> "C:\Temp\du1A.html".
std::string WithExtension(const std::string& path, const char* extension) {
    return path.substr(0, path.size() - ExtensionOf(path).size()) + extension;
}

}  // namespace

bool MakeTempFileName(std::string& name) {
    // The path's length is asked first, so a temporary folder longer than any fixed buffer fits.
    std::string folder;
    DWORD need = ::GetTempPathW(0, nullptr);
    std::wstring buffer(need + 1, L'\0');
    DWORD got = need ? ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data()) : 0;
    if (got == 0 || got >= buffer.size()) {
        Application->MessageBox("Can't find the Windows temp path!", Application->Title(), MB_OK | MB_ICONWARNING);
    } else {
        buffer.resize(got);
        folder = Narrow(buffer);
        if (!folder.empty() && folder.back() != '\\') folder += '\\';
    }
    // "du" and a unique hexadecimal number, made here rather than by GetTempFileName, whose folder may
    // not be longer than MAX_PATH - 14 characters.
    static unsigned counter = ::GetTickCount();
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        unsigned unique = ++counter & 0xFFFF;
        if (unique == 0) unique = ++counter & 0xFFFF;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string path = folder + "du" + hex + ".tmp";
        const TFileHandle file(::CreateFileW(folder.empty() ? Widen(path).c_str() : LongPath(path).c_str(),
                                             GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            name = path;
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    Application->MessageBox("Can't create a temporary file.", Application->Title(), MB_OK | MB_ICONERROR);
    return false;
}

std::string GetProgramVersion() {
    TEPInfoExe info;
    info.ExeName = ExeFileName();
    info.LangId = "0C09";
    info.ReadVersionInfo();
    return info.FileVersion;
}

std::string WriteHtmlReport(const TVolumeGrid& volumeGrid, const TRgbPicture* image, const std::string& caption,
                            const TFileRows& fileRows, const std::function<void(const std::string& page)>& open) {
    std::string pageName, imageName;
    if (!MakeTempFileName(pageName) || !MakeTempFileName(imageName)) return {};
    std::string imageFile;
    if (image) {
        imageFile = WithExtension(imageName, ".jpg");
        WriteJpegFile(imageFile, *image);
    }
    const std::string page = WithExtension(pageName, ".html");
    WriteHtmlPage(page, volumeGrid, image ? std::string(FileNameOf(imageFile)) : std::string(), caption, fileRows,
                  LocalDateTimeText(NowFileTime(), false), GetProgramVersion());
    if (open)
        open(page);
    else
        ::ShellExecuteW(nullptr, L"open", Widen(page).c_str(), L"", L"", SW_SHOWNORMAL);
    return page;
}
