#include "platform/DateTime.h"

#include <windows.h>

#include "platform/WinText.h"

std::string LocalDateTimeText(std::int64_t fileTime, bool evenSeconds) {
    if (fileTime <= 0) return {};
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) >> 32)};
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
    if (evenSeconds) st.wSecond &= ~1;
    st.wMilliseconds = 0;
    wchar_t date[128], time[128];
    if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128, nullptr)) return {};
    std::string text = Narrow(date);
    if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0) return text;
    if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, time, 128)) return text;
    return text + " " + Narrow(time);
}

std::int64_t NowFileTime() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

std::int64_t LocalToFileTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year), st.wMonth = static_cast<WORD>(month), st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour), st.wMinute = static_cast<WORD>(minute), st.wSecond = static_cast<WORD>(second);
    SYSTEMTIME utc;
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &st, &utc) || !SystemTimeToFileTime(&utc, &ft)) return 0;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
