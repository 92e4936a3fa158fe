# The Windows packages made, installed, run and removed under Wine, in a prefix of the test's own.
if(VS_WINDOWS)
    add_test(NAME package_tests COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/package_test.py --build ${CMAKE_BINARY_DIR}
        --version ${PROJECT_VERSION} --results ${VS_RESULTS_DIR}/package_tests.xml)
    set_tests_properties(package_tests PROPERTIES TIMEOUT 600)
endif()
