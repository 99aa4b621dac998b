# The setup dialogs, driven through their named controls on the simulated board.
set(dialogs_tests ${CMAKE_CURRENT_LIST_DIR})
qmx_add_test(dialogs_setup_tests
  SOURCES ${dialogs_tests}/platform_qtmain.cpp ${dialogs_tests}/dialogs_chan.cpp
  LIBS qmxsrv_dialogs qmxboard Qt6::Test ENV QMX_PORTS=sim)
