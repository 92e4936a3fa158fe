#include <windows.h>

#include <vector>

#include "platform/WinText.h"
#include "platform/info.h"

void TEPInfoExe::ReadVersionInfo() {
    std::wstring file = Widen(ExeName);
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return;
    std::vector<unsigned char> block(size, 0);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return;

    std::wstring table = L"\\StringFileInfo\\" + Widen(LangId) + L"04E4\\";
    const std::pair<const wchar_t*, std::string*> keys[] = {
        {L"CompanyName", &CompanyName},           {L"FileDescription", &FileDescription},
        {L"FileVersion", &FileVersion},           {L"InternalName", &InternalName},
        {L"LegalCopyright", &LegalCopyright},     {L"LegalTradeMarks", &LegalTradeMarks},
        {L"OriginalFilename", &OriginalFilename}, {L"ProductName", &ProductName},
        {L"ProductVersion", &ProductVersion},     {L"Comments", &Comments},
    };
    for (const auto& [key, target] : keys) {
        void* value = nullptr;
        UINT length = 0;
        std::wstring path = table + key;
        if (::VerQueryValueW(block.data(), path.c_str(), &value, &length) && value && length > 0) {
            // The length counts characters, the terminating zero included when there is one.
            const wchar_t* text = static_cast<const wchar_t*>(value);
            *target = Narrow(std::wstring_view(text, wcsnlen(text, length)));
        } else {
            target->clear();
        }
    }
}
