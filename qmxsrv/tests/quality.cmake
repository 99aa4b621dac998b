# The quality room: the results store, its exports and the qmxresults
# commands, and the statistics, each against worked cases.
set(quality_tests ${CMAKE_CURRENT_LIST_DIR})

qmx_add_test(quality_results SOURCES ${quality_tests}/quality_results.cpp LIBS qmxsrv_quality)
qmx_add_test(quality_resultsexport SOURCES ${quality_tests}/quality_resultsexport.cpp
  LIBS qmxsrv_quality)
qmx_add_test(quality_statistics SOURCES ${quality_tests}/quality_statistics.cpp
  LIBS qmxsrv_quality)
