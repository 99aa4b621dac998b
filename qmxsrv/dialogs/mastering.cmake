# The mastering dialog with its arithmetic, and the About box with the
# program's icon.
list(APPEND QMX_DIALOG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/masteringmath.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formmastering.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formaboutqmxsrv.cpp
  ${CMAKE_CURRENT_LIST_DIR}/programicon.cpp)
