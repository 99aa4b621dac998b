# The live displays: their arithmetic, the bar gauge widget, and the windows
# standalone and through the main window on the simulated board.
qmx_add_test(displays_tests
  SOURCES platform_qtmain.cpp displays_layout.cpp displays_bargauge.cpp displays_windows.cpp
          displays_formmain.cpp
  LIBS qmxsrv_mainwindow qmxboard Qt6::Test ENV QMX_PORTS=sim)
