# The reference decoder that the fuzzer and the unit tests hold the check to.
add_library(corvelle_reference STATIC tests/reference/reference_dib_decoder.cpp)
target_include_directories(corvelle_reference PUBLIC tests/reference)
corvelle_warnings(corvelle_reference)

if(CORVELLE_FUZZ)
  foreach(name archive_reader dib_layout message_text property_set sheet_names split_path)
    add_executable(fuzz_${name} tests/fuzz/fuzz_${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE corvelle_core corvelle_reference)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
  # The harness counts every byte inflated on the reader's behalf.
  target_link_options(fuzz_archive_reader PRIVATE -Wl,--wrap=inflate)
  return()
endif()

# Native unit tests of the platform-free code.
add_executable(corvelle_native_tests
  tests/native/archive_reader_test.cpp
  tests/native/bounded_string_test.cpp
  tests/native/detect_string_test.cpp
  tests/native/dib_rle_test.cpp
  tests/native/dib_layout_test.cpp
  tests/native/document_facts_test.cpp
  tests/native/fit_test.cpp
  tests/native/floating_point_guard_test.cpp
  tests/native/message_text_test.cpp
  tests/native/paint_layout_test.cpp
  tests/native/png_header_test.cpp
  tests/native/print_geometry_test.cpp
  tests/native/property_set_test.cpp
  tests/native/quickview_command_line_test.cpp
  tests/native/scroll_plan_test.cpp
  tests/native/sheet_names_test.cpp
  tests/native/split_path_test.cpp
  tests/native/zoom_test.cpp
)
target_link_libraries(corvelle_native_tests PRIVATE corvelle_core corvelle_fixtures corvelle_reference quickview_core GTest::gtest_main)
corvelle_warnings(corvelle_native_tests)
gtest_discover_tests(corvelle_native_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT ${CORVELLE_TEST_TIMEOUT})

