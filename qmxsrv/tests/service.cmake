# The service room: the plant feed's settings; the live-value service with
# real WebSocket and HTTP clients against it, the station's token, and
# qmxlink run end to end.
qmx_add_test(service_mqttconfig SOURCES service_mqttconfig.cpp LIBS qmxsrv_service)
qmx_add_test(service_tests
  SOURCES service_main.cpp service_live.cpp service_http.cpp service_qmxlink.cpp
    service_token.cpp
  LIBS qmxsrv_service Qt6::Test
  DEFINES QMXLINK_PATH="$<TARGET_FILE:qmxlink>" DEPENDS qmxlink)
