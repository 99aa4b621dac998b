# The setup dialogs driven through their named controls on the simulated
# board, standalone and in the running program; the demo gauge set up
# through them.
qmx_add_test(dialogs_tests
  SOURCES platform_qtmain.cpp dialogs_items.cpp dialogs_group.cpp dialogs_system.cpp
          dialogs_wired.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim
  DEFINES QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
# The mastering arithmetic, the mastering dialog standalone and through the
# main window on the simulated board, the record kept of it, and the About box.
qmx_add_test(mastering_tests
  SOURCES platform_qtmain.cpp mastering_math.cpp mastering_dialog.cpp mastering_formmain.cpp
    mastering_record.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim
  DEFINES QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
# A process of its own: the library remembers a download for the rest of the run.
qmx_add_test(mastering_about SOURCES platform_qtmain.cpp mastering_about.cpp
  LIBS qmxsrv_dialogs qmxsrv_device qmxboard Qt6::Test ENV QMX_PORTS=sim
  DEFINES QMX_FIRMWARE_FILE="${QMX_PROGRAM_DIR}/Rdx44k.bin" DEPENDS qmxboard-firmware)
