list(APPEND VS_WIN_SOURCES
    src/app/windows/RoundedShape.cpp
    src/app/windows/IconImage.cpp
    src/app/windows/SplashFormUnit.cpp
    src/app/windows/ProgressFormUnit.cpp
    src/app/windows/AboutFormUnit.cpp)
