# Tests of the live displays: their arithmetic and the bar gauge widget.
qmx_add_test(displays_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/displays_layout.cpp
  LIBS qmxsrv_displays)
qmx_add_test(displays_bargauge SOURCES ${CMAKE_CURRENT_LIST_DIR}/displays_bargauge.cpp
  LIBS qmxsrv_displays Qt6::Test)
