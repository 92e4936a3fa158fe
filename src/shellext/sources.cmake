list(APPEND VS_WIN_SOURCES
    src/shellext/ShellExtRegistry.cpp)

# The Explorer extension: a library of its own beside Voluscope.exe, with the static runtime like the
# program, so it loads into Explorer with nothing else beside it. The tests use a second build of it,
# VoluscopeShellTest.dll, that also has the launch hook through which they see the program start; the
# shipped library never has it.
if(VS_WINDOWS)
    function(vs_shell_extension name)
        add_library(${name} SHARED src/shellext/VoluscopeShell.cpp src/shellext/VoluscopeShell.def)
        set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} PRIVATE shell32 ole32 uuid)
    endfunction()
    vs_shell_extension(VoluscopeShell)
    if(VS_TESTS)
        vs_shell_extension(VoluscopeShellTest)
        target_compile_definitions(VoluscopeShellTest PRIVATE VS_SHELLEXT_TEST_HOOK)
    endif()
endif()
