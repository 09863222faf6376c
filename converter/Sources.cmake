# The sources of converter/ that build without Windows (rule parsing and matching, line
# assembly, the output interpreter); the Linux build of the portable core takes this list.
set(KORVELLO_CONVERTER_PORTABLE
    "${CMAKE_CURRENT_LIST_DIR}/MessageRuleSet.cpp" "${CMAKE_CURRENT_LIST_DIR}/PatternFirstBytes.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/PatternRequiredWords.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/OutputReader.cpp" "${CMAKE_CURRENT_LIST_DIR}/OutputInterpreter.cpp")
