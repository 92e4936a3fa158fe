list(APPEND VS_WIN_SOURCES
    src/ui/Component.cpp
    src/ui/Graphics.cpp
    src/ui/Controls.cpp
    src/ui/Forms.cpp
    src/ui/ActnList.cpp
    src/ui/ImageList.cpp
    src/ui/StdCtrls.cpp
    src/ui/ComCtrls.cpp
    src/ui/Menus.cpp
    src/ui/Dialogs.cpp)
