# The main window's volume table and browsing.
list(APPEND VS_WIN_SOURCES
    src/app/MainFormVolumes.cpp
    src/app/MainFormBrowse.cpp)
list(APPEND VS_CORE_SOURCES
    src/app/Settings.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/GlyphPainter.cpp
    src/app/ActionImages.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/MainFormUnit.cpp
    src/app/MainFormCommands.cpp
    src/app/MainFormHooks.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/MainFormShellExt.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/MainFormLive.cpp)
list(APPEND VS_WIN_SOURCES
    src/app/MainFormExplorer.cpp)
