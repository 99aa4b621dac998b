# The main window's room. The scan cycle with its signals recorded; the start routine and FormMain on
# the simulated board, offscreen, with scripted message boxes and file
# dialogs, each service on a port of its own.
qmx_add_test(mainwindow_tests
  SOURCES platform_qtmain.cpp mainwindow_scan.cpp mainwindow_startup.cpp mainwindow_form.cpp
    mainwindow_results.cpp mainwindow_spc.cpp mainwindow_studies.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim
  DEFINES QMX_FIRMWARE_IMAGE="${QMX_PROGRAM_DIR}/Rdx44k.bin" DEPENDS qmxboard-firmware)
# The plant's feed against a mosquitto broker the test starts itself.
find_program(MOSQUITTO_PATH mosquitto PATHS /usr/sbin REQUIRED)
find_program(MOSQUITTO_SUB_PATH mosquitto_sub REQUIRED)
find_program(MOSQUITTO_PASSWD_PATH mosquitto_passwd REQUIRED)
find_program(OPENSSL_PATH openssl REQUIRED)
qmx_add_test(mainwindow_mqtt_tests
  SOURCES platform_qtmain.cpp mainwindow_mqtt.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim
  DEFINES MOSQUITTO_PATH="${MOSQUITTO_PATH}" MOSQUITTO_SUB_PATH="${MOSQUITTO_SUB_PATH}"
    MOSQUITTO_PASSWD_PATH="${MOSQUITTO_PASSWD_PATH}" OPENSSL_PATH="${OPENSSL_PATH}"
    QMX_FIRMWARE_IMAGE="${QMX_PROGRAM_DIR}/Rdx44k.bin" QMXSRV_PATH="$<TARGET_FILE:QMXSRV>"
    QMXLINK_PATH="$<TARGET_FILE:qmxlink>" QMX_DEMO_SETUP="${PROJECT_SOURCE_DIR}/qmxsrv/demo/demo.qmx"
  DEPENDS qmxboard-firmware QMXSRV qmxlink)
