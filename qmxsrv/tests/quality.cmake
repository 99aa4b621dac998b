# The quality room: the results store, its exports and the qmxresults
# commands; the statistics, control charts, run rules and gauge studies
# against worked cases and published examples.
set(quality_tests ${CMAKE_CURRENT_LIST_DIR})

qmx_add_test(quality_results SOURCES ${quality_tests}/quality_results.cpp LIBS qmxsrv_quality)
qmx_add_test(quality_resultsexport SOURCES ${quality_tests}/quality_resultsexport.cpp
  LIBS qmxsrv_quality)
qmx_add_test(quality_statistics SOURCES ${quality_tests}/quality_statistics.cpp
  LIBS qmxsrv_quality)
qmx_add_test(quality_spc SOURCES ${quality_tests}/quality_spc.cpp LIBS qmxsrv_quality)
qmx_add_test(quality_studies SOURCES ${quality_tests}/quality_studies.cpp LIBS qmxsrv_quality)
qmx_add_test(quality_spcstore SOURCES ${quality_tests}/quality_spcstore.cpp LIBS qmxsrv_quality)
qmx_add_test(quality_studystore SOURCES ${quality_tests}/quality_studystore.cpp
  LIBS qmxsrv_quality)
qmx_add_test(quality_studycli SOURCES ${quality_tests}/quality_studycli.cpp LIBS qmxsrv_quality)

qmx_add_test(quality_masterings SOURCES ${quality_tests}/quality_masterings.cpp
  LIBS qmxsrv_quality)

qmx_add_fuzz(fuzz_studycsv SOURCES ${quality_tests}/fuzz_studycsv.cpp LIBS qmxsrv_quality
  CORPUS ${quality_tests}/fuzz_seeds/studycsv)
