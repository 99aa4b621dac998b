# The main window's room. The live-value service: its protocol, real
# WebSocket clients against it, and qmxlink run end to end.
qmx_add_test(mainwindow_service_tests
  SOURCES platform_qtmain.cpp mainwindow_service_client.cpp mainwindow_service.cpp
          mainwindow_service_endpoint.cpp mainwindow_service_qmxlink.cpp
  LIBS qmxsrv_mainwindow Qt6::Test)
if(TARGET mainwindow_service_tests)
  target_compile_definitions(mainwindow_service_tests PRIVATE
    QMXLINK_PATH="$<TARGET_FILE:qmxlink>")
  add_dependencies(mainwindow_service_tests qmxlink)
endif()

# The scan cycle on the simulated board.
qmx_add_test(mainwindow_scan SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainwindow_scan.cpp
  LIBS qmxsrv_mainwindow qmxboard ENV QMX_PORTS=sim)
