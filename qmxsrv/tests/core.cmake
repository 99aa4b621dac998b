# Tests and fuzz targets of the core room (its benchmark is in core/bench).
set(core_tests ${CMAKE_CURRENT_LIST_DIR})

qmx_add_test(core_numbertext SOURCES ${core_tests}/core_numbertext.cpp LIBS qmxsrv_core)
qmx_add_test(core_settings SOURCES ${core_tests}/core_settings.cpp LIBS qmxsrv_core)
# On the simulated board, which the device library loads with QMX_PORTS=sim.
qmx_add_test(core_objects SOURCES ${core_tests}/core_objects.cpp
  LIBS qmxsrv_device qmxboard ENV QMX_PORTS=sim)
qmx_add_test(core_setupfile SOURCES ${core_tests}/core_setupfile.cpp
  LIBS qmxsrv_device qmxboard ENV QMX_PORTS=sim)

qmx_add_fuzz(fuzz_setuploader SOURCES ${core_tests}/fuzz_setuploader.cpp
  LIBS qmxsrv_device CORPUS ${core_tests}/fuzz_seeds/setup)
qmx_add_fuzz(fuzz_settings SOURCES ${core_tests}/fuzz_settings.cpp
  LIBS qmxsrv_core CORPUS ${core_tests}/fuzz_seeds/settings)
