# The mastering arithmetic, the mastering dialog standalone and through the
# main window on the simulated board, and the About box.
qmx_add_test(mastering_tests
  SOURCES platform_qtmain.cpp mastering_math.cpp mastering_dialog.cpp mastering_formmain.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
# A process of its own: the library remembers a download for the rest of the run.
qmx_add_test(mastering_about SOURCES platform_qtmain.cpp mastering_about.cpp
  LIBS qmxsrv_dialogs qmxboard Qt6::Test ENV QMX_PORTS=sim)
if(TARGET mastering_tests)
  target_compile_definitions(mastering_tests PRIVATE
    QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
  target_compile_definitions(mastering_about PRIVATE
    QMX_FIRMWARE_FILE="${QMX_PROGRAM_DIR}/Rdx44k.bin")
  add_dependencies(mastering_about qmxboard-firmware)
endif()
