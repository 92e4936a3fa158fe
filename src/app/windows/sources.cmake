list(APPEND VS_WIN_SOURCES
    src/app/windows/info.cpp
    src/app/windows/RoundedShape.cpp
    src/app/windows/IconImage.cpp
    src/app/windows/SplashFormUnit.cpp
    src/app/windows/ProgressFormUnit.cpp
    src/app/windows/AboutFormUnit.cpp
    src/ui/Gauge.cpp
    src/ui/Animate.cpp
    src/ui/HyperLink.cpp
    src/ui/HyperButton.cpp)
# The gauge's rules are portable; the controls of the small windows live in src/ui.
list(APPEND VS_CORE_SOURCES
    src/ui/GaugeValues.cpp)
