# The setup dialogs: channels, LVDTs and analog inputs, groups, system.
list(APPEND QMX_DIALOG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/setupmemory.h
  ${CMAKE_CURRENT_LIST_DIR}/fieldreader.cpp ${CMAKE_CURRENT_LIST_DIR}/fieldreader.h
  ${CMAKE_CURRENT_LIST_DIR}/itemsetup.cpp ${CMAKE_CURRENT_LIST_DIR}/itemsetup.h
  ${CMAKE_CURRENT_LIST_DIR}/setupdialog.cpp ${CMAKE_CURRENT_LIST_DIR}/setupdialog.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetupchan.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetupchan.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetupinput.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetupinput.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetuplvdt.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetuplvdt.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetupanalog.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetupanalog.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetupgroup.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetupgroup.h
  ${CMAKE_CURRENT_LIST_DIR}/formsetupsystem.cpp ${CMAKE_CURRENT_LIST_DIR}/formsetupsystem.h)
