# Oniguruma, built as a static library from the sources scripts/setup.sh unpacks from
# Debian's source package into .deps/ (run here when they are missing). Used by the
# Windows build and by the portable Linux build alike; KORVELLO_ROOT is the project folder.
set(KORVELLO_DEPS_DIR "${KORVELLO_ROOT}/.deps" CACHE PATH "Unpacked third-party sources")
set(ONIGURUMA_SOURCE_DIR "${KORVELLO_DEPS_DIR}/oniguruma" CACHE PATH "Oniguruma sources")
if(NOT EXISTS "${ONIGURUMA_SOURCE_DIR}/CMakeLists.txt")
    execute_process(COMMAND sh "${KORVELLO_ROOT}/scripts/setup.sh" RESULT_VARIABLE setup_result)
    if(NOT setup_result EQUAL 0)
        message(FATAL_ERROR "scripts/setup.sh failed; Oniguruma sources are missing")
    endif()
endif()

set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
set(ENABLE_POSIX_API OFF CACHE BOOL "" FORCE)
set(INSTALL_DOCUMENTATION OFF CACHE BOOL "" FORCE)
add_subdirectory("${ONIGURUMA_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/oniguruma" EXCLUDE_FROM_ALL)
target_compile_definitions(onig PUBLIC ONIG_STATIC)
target_compile_options(onig PRIVATE -w)
