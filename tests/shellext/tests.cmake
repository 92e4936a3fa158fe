vs_win_test(shellext_registry_tests ui/UiTestEnv.cpp shellext/ShellExtRegistryTest.cpp)
if(VS_WINDOWS)
    # The shipped library, and the test build of it with the launch hook.
    vs_win_test(shellext_com_tests shellext/ShellExtComTest.cpp)
    add_dependencies(shellext_com_tests VoluscopeShell VoluscopeShellTest)
    target_compile_definitions(shellext_com_tests PRIVATE VS_SHELLEXT_DLL="Z:$<TARGET_FILE:VoluscopeShell>"
                               VS_SHELLEXT_TEST_DLL="Z:$<TARGET_FILE:VoluscopeShellTest>")
endif()
