# Each benchmark once with a short input: it still runs, and it ends by
# itself once it has printed its figures (a benchmark that hangs at its end
# fails here by its time limit). The figures of such a run mean nothing.
set(bench_smoke_args
    "avro\;1000\;1000" "checksum\;1\;1" "download\;1\;1" "extract\;1" "fuzz\;1" "install\;1"
    "startup\;1")
foreach(entry ${bench_smoke_args})
  list(POP_FRONT entry name)
  add_test(NAME bench_smoke_${name}
           COMMAND bash ${CMAKE_SOURCE_DIR}/bench/${name}_bench.sh ${CMAKE_BINARY_DIR} ${entry})
  set_tests_properties(bench_smoke_${name} PROPERTIES
      TIMEOUT 180 ENVIRONMENT "BENCH_SMOKE=1;TARVO_WINEPREFIX=${TARVO_WINEPREFIX}")
  # The one with a prefix of its own needs no shared wineserver.
  if(NOT name STREQUAL "install")
    set_tests_properties(bench_smoke_${name} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endforeach()
