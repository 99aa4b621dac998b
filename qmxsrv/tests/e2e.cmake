# End to end: the real QMXSRV started by scripts/demo.sh, watched with
# qmxlink and steered with qmxboard-ctl.
qmx_add_test(e2e_demo SOURCES platform_qtmain.cpp e2e_demo.cpp LIBS Qt6::Widgets
  DEFINES QMX_DEMO_SCRIPT="${CMAKE_SOURCE_DIR}/scripts/demo.sh"
          QMX_BUILD_DIR="${CMAKE_BINARY_DIR}"
          QMXLINK_PATH="$<TARGET_FILE:qmxlink>"
          QMXBOARD_CTL_PATH="$<TARGET_FILE:qmxboard-ctl>"
  DEPENDS QMXSRV qmxlink qmxboard-ctl qmxboard)
