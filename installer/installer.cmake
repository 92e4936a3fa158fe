# shellext-nsis: prints the installer's registry macros by running the program's own registration code
# against a recording registry, so the installer writes exactly the keys and values the program does.
add_executable(shellext-nsis ${CMAKE_CURRENT_LIST_DIR}/ShellExtNsis.cpp)
target_link_libraries(shellext-nsis PRIVATE voluscope_win)
target_link_options(shellext-nsis PRIVATE -municode)

# The files that ship carry no symbols (strip would stamp the link time back into the PE header).
foreach(shipped Voluscope VoluscopeShell vscan)
    target_link_options(${shipped} PRIVATE -s)
endforeach()
