# The sources of options/ that build without Windows: all of them (the engine has no
# window of its own); the Linux build of the portable core takes this list.
set(KORVELLO_OPTIONS_PORTABLE
    "${CMAKE_CURRENT_LIST_DIR}/ArgumentQuoting.cpp" "${CMAKE_CURRENT_LIST_DIR}/ArgumentSet.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/CommandLineComposer.cpp" "${CMAKE_CURRENT_LIST_DIR}/MemoryOptionControls.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/OptionEngine.cpp" "${CMAKE_CURRENT_LIST_DIR}/OptionTable.cpp")
