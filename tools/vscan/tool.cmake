# vscan: the folder-size service on the command line (natively and as vscan.exe).
add_executable(vscan ${CMAKE_CURRENT_LIST_DIR}/vscan.cpp)
target_link_libraries(vscan PRIVATE voluscope_core)
if(VS_WINDOWS)
    target_link_options(vscan PRIVATE -municode)
endif()
target_compile_definitions(vscan PRIVATE VS_VERSION="${PROJECT_VERSION}")
