list(APPEND VS_CORE_SOURCES
    src/shell/SizeText.cpp)
list(APPEND VS_CORE_SOURCES
    src/shell/FolderSizeCache.cpp
    src/shell/FolderSize.cpp
    src/shell/FolderSizeWalk.cpp)
# The process-wide service binds the system's backends, so it lives with them.
list(APPEND VS_POSIX_SOURCES src/shell/FolderSizeSystem.cpp)
list(APPEND VS_WINPLAT_SOURCES src/shell/FolderSizeSystem.cpp)
# The shell item model and the folder list: portable rules in the core, the shell and the control
# on Windows.
list(APPEND VS_CORE_SOURCES
    src/shell/ShellItem.cpp
    src/shell/ShellListViewRows.cpp)
list(APPEND VS_WIN_SOURCES
    src/shell/ShellController_win.cpp
    src/shell/ShellListView_win.cpp
    src/shell/ShellListViewDrag_win.cpp)
