# The sources of settings/ that build without Windows (the history's logic; the store is
# the registry's); the Linux build of the portable core takes this list.
set(KORVELLO_SETTINGS_PORTABLE "${CMAKE_CURRENT_LIST_DIR}/ParameterHistory.cpp")
