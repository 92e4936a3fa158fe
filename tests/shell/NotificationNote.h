#pragma once
// A notification for the change-notification tests: the events, and for a path its item (display name
// the last part of the path).
#include <cstdint>
#include <string>

#include "shell/ShellNotificationQueue.h"

namespace vstest {

inline TStNotification Note(std::uint32_t events, const std::string& path = "", bool folder = false) {
    TStNotification n;
    n.Events = events;
    if (!path.empty()) n.Item1 = TStNotifyItem{path, path.substr(path.find_last_of('\\') + 1), folder, nullptr};
    return n;
}

}  // namespace vstest
