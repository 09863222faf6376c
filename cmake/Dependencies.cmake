# Third-party code: Oniguruma from the sources the set-up unpacked, GoogleTest
# from Debian's googletest sources. Neither is committed.
set(KORVELLO_ROOT "${PROJECT_SOURCE_DIR}")
include("${CMAKE_CURRENT_LIST_DIR}/Oniguruma.cmake")

if(KORVELLO_BUILD_TESTS)
    set(GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory("${GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
endif()
