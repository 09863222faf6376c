# Adds every folder below the current source folder that has a CMakeLists.txt, so a
# new test area, tool or benchmark needs no edit of its parent.
function(korvello_add_subdirectories)
    file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/*")
    foreach(dir ${entries})
        if(IS_DIRECTORY "${dir}" AND EXISTS "${dir}/CMakeLists.txt")
            add_subdirectory("${dir}")
        endif()
    endforeach()
endfunction()
