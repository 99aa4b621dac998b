# The setup dialogs driven through their named controls on the simulated
# board, standalone and in the running program; the demo gauge set up
# through them.
qmx_add_test(dialogs_tests
  SOURCES platform_qtmain.cpp dialogs_items.cpp dialogs_group.cpp dialogs_system.cpp
          dialogs_wired.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
if(TARGET dialogs_tests)
  target_compile_definitions(dialogs_tests PRIVATE
    QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
endif()
