# The mastering dialog with its arithmetic, and the About box.
set(mastering_tests ${CMAKE_CURRENT_LIST_DIR})

qmx_add_test(mastering_math SOURCES ${mastering_tests}/mastering_math.cpp LIBS qmxsrv_dialogs)
# On the simulated board; the About box's download needs the firmware image.
qmx_add_test(mastering_dialogs
  SOURCES ${mastering_tests}/platform_qtmain.cpp ${mastering_tests}/mastering_dialog.cpp
          ${mastering_tests}/mastering_about.cpp
  LIBS qmxsrv_dialogs qmxboard Qt6::Test ENV QMX_PORTS=sim)
if(TARGET mastering_dialogs)
  target_compile_definitions(mastering_dialogs PRIVATE
    QMX_FIRMWARE_FILE="${QMX_PROGRAM_DIR}/Rdx44k.bin")
  add_dependencies(mastering_dialogs qmxboard-firmware)
endif()
