# The portable seam: text conversion, the string table, the message formatter and log
# writing. Each platform has its own half of the few files that differ (_win, _posix);
# the Windows build and the Linux build of the portable core both take their lists here.
set(KORVELLO_BASE_PORTABLE "${CMAKE_CURRENT_LIST_DIR}/MessageFormat.cpp")
set(KORVELLO_BASE_WIN
    "${CMAKE_CURRENT_LIST_DIR}/Text_win.cpp" "${CMAKE_CURRENT_LIST_DIR}/StringTable_win.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/FileWrite_win.cpp")
set(KORVELLO_BASE_POSIX
    "${CMAKE_CURRENT_LIST_DIR}/Text_posix.cpp" "${CMAKE_CURRENT_LIST_DIR}/StringTable_posix.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/FileWrite_posix.cpp")
