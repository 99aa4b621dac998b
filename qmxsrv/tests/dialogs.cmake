# The setup dialogs, driven through their named controls on the simulated
# board.
set(dialogs_tests ${CMAKE_CURRENT_LIST_DIR})
qmx_add_test(dialogs_setup_tests
  SOURCES ${dialogs_tests}/platform_qtmain.cpp ${dialogs_tests}/dialogs_chan.cpp
          ${dialogs_tests}/dialogs_inputs.cpp
          ${dialogs_tests}/dialogs_group.cpp ${dialogs_tests}/dialogs_system.cpp
  LIBS qmxsrv_dialogs qmxboard Qt6::Test ENV QMX_PORTS=sim)

# The dialogs in the running program, and the demo gauge set up through them.
qmx_add_test(dialogs_wired_tests
  SOURCES ${dialogs_tests}/platform_qtmain.cpp ${dialogs_tests}/dialogs_wired.cpp
          ${dialogs_tests}/mainwindow_service_client.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
if(TARGET dialogs_wired_tests)
  target_compile_definitions(dialogs_wired_tests PRIVATE
    QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
endif()
