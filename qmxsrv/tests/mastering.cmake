# The mastering dialog with its arithmetic, and the About box.
set(mastering_tests ${CMAKE_CURRENT_LIST_DIR})

qmx_add_test(mastering_math SOURCES ${mastering_tests}/mastering_math.cpp LIBS qmxsrv_dialogs)
# On the simulated board: the dialogs standalone and through the main window.
qmx_add_test(mastering_dialogs
  SOURCES ${mastering_tests}/platform_qtmain.cpp ${mastering_tests}/mastering_dialog.cpp
          ${mastering_tests}/mastering_formmain.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
# A process of its own: the library remembers the download for the rest of the run.
qmx_add_test(mastering_about
  SOURCES ${mastering_tests}/platform_qtmain.cpp ${mastering_tests}/mastering_about.cpp
  LIBS qmxsrv_dialogs qmxboard Qt6::Test ENV QMX_PORTS=sim)
if(TARGET mastering_dialogs)
  target_compile_definitions(mastering_dialogs PRIVATE
    QMX_DEMO_SETUP="${CMAKE_SOURCE_DIR}/qmxsrv/demo/demo.qmx")
  target_compile_definitions(mastering_about PRIVATE
    QMX_FIRMWARE_FILE="${QMX_PROGRAM_DIR}/Rdx44k.bin")
  add_dependencies(mastering_about qmxboard-firmware)
endif()
