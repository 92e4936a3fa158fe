list(APPEND VS_WIN_SOURCES
    src/shellext/ShellExtRegistry.cpp)

# The Explorer extension: a library of its own beside Voluscope.exe, with the static runtime like the
# program, so it loads into Explorer with nothing else beside it.
if(VS_WINDOWS)
    add_library(VoluscopeShell SHARED src/shellext/VoluscopeShell.cpp src/shellext/VoluscopeShell.def)
    set_target_properties(VoluscopeShell PROPERTIES PREFIX "" OUTPUT_NAME VoluscopeShell)
    target_include_directories(VoluscopeShell PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(VoluscopeShell PRIVATE shell32 ole32 uuid)
endif()
