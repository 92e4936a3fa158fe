list(APPEND VS_WIN_SOURCES
    src/app/windows/info.cpp)
# The gauge's rules are portable; the controls of the small windows live in src/ui.
list(APPEND VS_CORE_SOURCES
    src/ui/GaugeValues.cpp)
