# The setup dialogs, driven through their named controls on the simulated
# board; the system dialog also meets real live-value conversations.
set(dialogs_tests ${CMAKE_CURRENT_LIST_DIR})
qmx_add_test(dialogs_setup_tests
  SOURCES ${dialogs_tests}/platform_qtmain.cpp ${dialogs_tests}/dialogs_fields.cpp
          ${dialogs_tests}/dialogs_chan.cpp ${dialogs_tests}/dialogs_inputs.cpp
          ${dialogs_tests}/dialogs_group.cpp ${dialogs_tests}/dialogs_system.cpp
          ${dialogs_tests}/mainwindow_service_client.cpp
  LIBS qmxsrv_dialogs qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
