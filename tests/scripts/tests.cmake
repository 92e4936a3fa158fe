# The result count of ./test, natively (it needs only Python).
if(NOT VS_WINDOWS)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_test(NAME results_count_tests COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/results_count_test.py
             --gtest_output=xml:${VS_RESULTS_ARG}/results_count_tests.xml)
endif()
