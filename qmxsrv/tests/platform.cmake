# Platform services: instance lock, program folder, command line, offscreen
# decision, message boxes and file dialogs.
qmx_add_test(platform_tests
  SOURCES platform_qtmain.cpp platform_process.cpp platform_lock.cpp platform_boxes.cpp
  LIBS qmxsrv_platform Qt6::Test)
