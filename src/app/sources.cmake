# The program's settings (portable) and the main window with its commands, pictures and pages
# (Windows).
list(APPEND VS_CORE_SOURCES
    src/app/Settings.cpp
    src/app/UserPath.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/GlyphPainter.cpp
    src/app/ActionImages.cpp
    src/app/MainFormUnit.cpp
    src/app/MainFormVolumes.cpp
    src/app/MainFormBrowse.cpp
    src/app/MainFormCommands.cpp
    src/app/MainFormHooks.cpp
    src/app/MainFormShellExt.cpp
    src/app/MainFormLive.cpp
    src/app/MainFormExplorer.cpp
    src/app/MainFormCharts.cpp
    src/app/MainFormChartList.cpp
    src/app/MainFormTreemap.cpp
    src/app/MainFormReports.cpp
    src/app/MainFormScans.cpp
    src/app/MainFormOpenScan.cpp
    src/app/MainFormCompare.cpp
    src/app/MainFormHistory.cpp)
