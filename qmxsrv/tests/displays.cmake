# Tests of the live displays: their arithmetic, the bar gauge widget, and
# the three windows on the simulated board.
qmx_add_test(displays_layout SOURCES ${CMAKE_CURRENT_LIST_DIR}/displays_layout.cpp
  LIBS qmxsrv_displays)
qmx_add_test(displays_bargauge SOURCES ${CMAKE_CURRENT_LIST_DIR}/displays_bargauge.cpp
  LIBS qmxsrv_displays Qt6::Test)
qmx_add_test(displays_windows
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_qtmain.cpp ${CMAKE_CURRENT_LIST_DIR}/displays_lingage.cpp
          ${CMAKE_CURRENT_LIST_DIR}/displays_grid.cpp ${CMAKE_CURRENT_LIST_DIR}/displays_selectgroup.cpp
  LIBS qmxsrv_displays qmxboard Qt6::Test ENV QMX_PORTS=sim)
# Through the main window, as the operator reaches them.
qmx_add_test(displays_formmain
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_qtmain.cpp ${CMAKE_CURRENT_LIST_DIR}/displays_formmain.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
