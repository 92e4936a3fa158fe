list(APPEND VS_CORE_SOURCES
    src/shell/SizeText.cpp)
list(APPEND VS_CORE_SOURCES
    src/shell/ScanTree.cpp
    src/shell/ScanFolderRows.cpp
    src/shell/ScanBaseline.cpp
    src/shell/FolderSizeCache.cpp
    src/shell/FolderSize.cpp
    src/shell/FolderSizeWalk.cpp
    src/shell/FolderSizeTree.cpp
    src/shell/FolderSizeSystem.cpp
    src/shell/FolderModel.cpp)
# The shell item model and the folder list: portable rules in the core, the shell and the control
# on Windows.
list(APPEND VS_CORE_SOURCES
    src/shell/ShellItem.cpp
    src/shell/FolderRows.cpp)
list(APPEND VS_WIN_SOURCES
    src/shell/ShellController_win.cpp
    src/shell/ShellListView_win.cpp
    src/shell/TypeDescriptions_win.cpp
    src/shell/ShellListViewDrag_win.cpp
    src/shell/ShellListViewRefresh_win.cpp
    src/shell/ShellListViewScan_win.cpp
    src/shell/ShellListViewCompare_win.cpp)

# Change notification: the queue and invalidation are portable, the component and the watcher Win32.
list(APPEND VS_CORE_SOURCES src/shell/ShellNotificationQueue.cpp)
list(APPEND VS_WIN_SOURCES
    src/shell/DirWatcher_win.cpp
    src/shell/ShellNotification.cpp
    src/shell/ShellNotificationList.cpp)

# The folder combo box, and deep paths and identifier lists read without the shell's recursion.
list(APPEND VS_WIN_SOURCES
    src/shell/ShellPath_win.cpp
    src/shell/ShellComboEntries.cpp
    src/shell/ShellComboBox.cpp)
