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
# Controls of the small windows: gauge, animation, hyperlinks.
list(APPEND VS_WIN_SOURCES
    src/ui/Gauge.cpp
    src/ui/Animate.cpp
    src/ui/HyperLink.cpp
    src/ui/HyperButton.cpp)
# The gauge's rules are portable.
list(APPEND VS_CORE_SOURCES
    src/ui/GaugeValues.cpp)
