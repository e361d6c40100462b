enable_language(RC)

# GetDefaultPrinterW is exported by the spooler under ordinal 203 alone.
set(winspool_ordinals_lib ${CMAKE_BINARY_DIR}/libwinspool_ordinals.a)
add_custom_command(
  OUTPUT ${winspool_ordinals_lib}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/src/output/winspool_ordinals.def -l ${winspool_ordinals_lib}
  DEPENDS ${CMAKE_SOURCE_DIR}/src/output/winspool_ordinals.def
)
add_custom_target(winspool_ordinals DEPENDS ${winspool_ordinals_lib})
# The platform's XML reader has no import library among mingw-w64's.
set(xmllite_import_lib ${CMAKE_BINARY_DIR}/libxmllite_import.a)
add_custom_command(
  OUTPUT ${xmllite_import_lib}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/src/info/xmllite.def -l ${xmllite_import_lib}
  DEPENDS ${CMAKE_SOURCE_DIR}/src/info/xmllite.def
)
add_custom_target(xmllite_import DEPENDS ${xmllite_import_lib})

configure_file(resources/corvelle.rc.in ${CMAKE_BINARY_DIR}/generated/corvelle.rc @ONLY)
# The file manager's install file for the release archive, with the version.
configure_file(packaging/pluginst.inf.in ${CMAKE_BINARY_DIR}/generated/pluginst.inf @ONLY)
# The content module's, for its archive of its own.
configure_file(packaging/pluginst-content.inf.in ${CMAKE_BINARY_DIR}/generated/content/pluginst.inf @ONLY)
# The user's README of the release archive, with the version.
configure_file(packaging/README.txt.in ${CMAKE_BINARY_DIR}/generated/README.txt @ONLY)

# The reading both modules share, built once and linked into each: module
# state and settings, the report boxes (which only the viewer's paths
# reach), both containers' readers, the information, and the content
# module's fields and cache.
add_library(corvelle_shared STATIC
  src/base/module_state.cpp
  src/base/settings.cpp
  src/base/wide_path.cpp
  src/content/content_fields.cpp
  src/content/field_cache.cpp
  src/diagnostics/error_report.cpp
  src/plugin/settings_path.cpp
  src/preview/archive_file.cpp
  src/preview/compound_document.cpp
  src/info/archive_info.cpp
  src/info/document_info.cpp
  src/info/info_property_sets.cpp
  src/info/info_record.cpp
  src/info/info_xml.cpp
  src/preview/png_picture.cpp
  src/preview/preview_picture.cpp
  src/preview/preview_reader.cpp
  src/preview/screen_bitmap.cpp
)
target_compile_definitions(corvelle_shared PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(corvelle_shared PUBLIC corvelle_core)
corvelle_warnings(corvelle_shared)

add_library(corvelle SHARED
  src/base/dpi.cpp
  src/viewer/viewer_instance.cpp
  src/viewer/viewer_lifecycle.cpp
  src/viewer/viewer_menu.cpp
  src/viewer/viewer_paint.cpp
  src/viewer/viewer_colours.cpp
  src/viewer/viewer_desktop.cpp
  src/viewer/viewer_drag.cpp
  src/viewer/viewer_info_panel.cpp
  src/viewer/viewer_layout.cpp
  src/viewer/viewer_scroll.cpp
  src/viewer/viewer_sheets.cpp
  src/viewer/viewer_window.cpp
  src/viewer/viewer_zoom.cpp
  src/output/clipboard.cpp
  src/output/print.cpp
  src/output/thumbnail.cpp
  src/plugin/dll_main.cpp
  src/plugin/info_export.cpp
  src/plugin/output_exports.cpp
  src/plugin/settings_file.cpp
  src/plugin/viewer_exports.cpp
  src/plugin/corvelle.def
  ${CMAKE_BINARY_DIR}/generated/corvelle.rc
)
set_target_properties(corvelle PROPERTIES PREFIX "" OUTPUT_NAME corvelle)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/corvelle.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/resources/settings_template.ini;${CMAKE_SOURCE_DIR}/resources/corvelle.manifest")
target_compile_definitions(corvelle PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(corvelle PRIVATE corvelle_shared corvelle_core ole32 gdi32 user32 comctl32 uxtheme uuid ${winspool_ordinals_lib}
  ${xmllite_import_lib})
add_dependencies(corvelle winspool_ordinals xmllite_import)
# One file to copy: no mingw runtime DLL beside it.
# No link time in the PE header, and in Release no symbols (they hold the
# build folder's paths, and the static runtime's debug data): the same commit
# gives the same bytes wherever it is built.
set(corvelle_release_link_options -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
target_link_options(corvelle PRIVATE ${corvelle_release_link_options})
corvelle_warnings(corvelle)

# The content module: the host's columns, search and renaming by a
# document's information, over the same reading.
add_library(corvelle_content SHARED
  src/plugin/content_dll_main.cpp
  src/plugin/content_exports.cpp
  src/plugin/corvelle_content.def
)
set_target_properties(corvelle_content PROPERTIES PREFIX "" OUTPUT_NAME corvelle SUFFIX .wdx64
  ARCHIVE_OUTPUT_NAME corvelle_content)
target_compile_definitions(corvelle_content PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(corvelle_content PRIVATE corvelle_shared corvelle_core ole32 gdi32 user32 uuid
  ${xmllite_import_lib})
add_dependencies(corvelle_content xmllite_import)
target_link_options(corvelle_content PRIVATE ${corvelle_release_link_options})
corvelle_warnings(corvelle_content)

# Programs that host the plugin: wide-character Windows programs that need no
# mingw runtime DLL beside them and are built after the plugin.
function(corvelle_host_program target)
  target_include_directories(${target} PRIVATE src ${CMAKE_BINARY_DIR}/generated)
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX)
  target_link_options(${target} PRIVATE ${corvelle_release_link_options})
  add_dependencies(${target} corvelle corvelle_content)
  corvelle_warnings(${target})
endfunction()

# The host side of the tests, reused by the benchmarks.
add_library(corvelle_test_host STATIC
  tests/windows/child_process.cpp
  tests/windows/content_host.cpp
  tests/windows/dib_fixture.cpp
  tests/windows/drawing_fixture.cpp
  tests/windows/guarded_heap.cpp
  tests/windows/import_patch.cpp
  tests/windows/plugin_host.cpp
  tests/windows/strict_floating_point.cpp
)
target_include_directories(corvelle_test_host PUBLIC tests/windows src)
target_compile_definitions(corvelle_test_host PUBLIC UNICODE _UNICODE NOMINMAX)
target_link_libraries(corvelle_test_host PUBLIC corvelle_fixtures GTest::gtest ole32 gdi32 user32 comctl32 uxtheme)
corvelle_warnings(corvelle_test_host)

add_executable(corvelle_windows_tests
  tests/windows/error_report_test.cpp
  tests/windows/document_info_test.cpp
  tests/windows/archive_document_test.cpp
  tests/windows/content_module_test.cpp
  tests/windows/leak_test.cpp
  tests/windows/malformed_corpus.cpp
  tests/windows/malformed_corpus_test.cpp
  tests/windows/module_resources_test.cpp
  tests/windows/preview_reader_test.cpp
  tests/windows/paths_test.cpp
  tests/windows/print_test.cpp
  tests/windows/quickview_test.cpp
  tests/windows/settings_file_test.cpp
  tests/windows/thread_test.cpp
  tests/windows/thumbnail_test.cpp
  tests/windows/true_color_test.cpp
  tests/windows/viewer_command_test.cpp
  tests/windows/viewer_dpi_test.cpp
  tests/windows/viewer_host.cpp
  tests/windows/viewer_load_test.cpp
  tests/windows/viewer_menu_test.cpp
  tests/windows/viewer_reentry_test.cpp
  tests/windows/viewer_screen_test.cpp
  tests/windows/viewer_scroll_test.cpp
  tests/windows/viewer_sheets_test.cpp
  tests/windows/viewer_zoom_test.cpp
  tests/windows/test_main.cpp
)
target_link_libraries(corvelle_windows_tests PRIVATE corvelle_test_host GTest::gtest version windowscodecs uuid)
corvelle_host_program(corvelle_windows_tests)
add_dependencies(corvelle_windows_tests quickview corvelle_corpus_runner)

# The child process of the malformed-corpus test.
add_executable(corvelle_corpus_runner tests/windows/corpus_runner.cpp)
target_link_libraries(corvelle_corpus_runner PRIVATE corvelle_test_host)
target_link_options(corvelle_corpus_runner PRIVATE -municode)
corvelle_host_program(corvelle_corpus_runner)

# The wrapper gives every run the project's own Wine prefix and settings.
set_target_properties(corvelle_windows_tests PROPERTIES
  CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run)
gtest_discover_tests(corvelle_windows_tests
  DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT ${CORVELLE_TEST_TIMEOUT})

# quickview: the plugin hosted as the file manager does, for viewing by hand,
# screenshots and thumbnails in bulk.
add_executable(quickview
  tools/quickview/box_relay.cpp
  tools/quickview/content_library.cpp
  tools/quickview/dpi_override.cpp
  tools/quickview/field_listing.cpp
  tools/quickview/host_window.cpp
  tools/quickview/info_listing.cpp
  tools/quickview/main.cpp
  tools/quickview/module_loading.cpp
  tools/quickview/plugin_library.cpp
  tools/quickview/png_file.cpp
  tools/quickview/thumbnail_batch.cpp
  tools/quickview/true_color_override.cpp
)
target_link_libraries(quickview PRIVATE quickview_core windowscodecs ole32 gdi32 user32 uuid)
target_link_options(quickview PRIVATE -municode)
corvelle_host_program(quickview)

# Benchmarks: built with the tests, run by scripts/bench, not by ctest.
add_executable(corvelle_benchmarks bench/baseline.cpp bench/preview_benchmark.cpp)
target_link_libraries(corvelle_benchmarks PRIVATE corvelle_test_host psapi comctl32)
target_link_options(corvelle_benchmarks PRIVATE -municode)
corvelle_host_program(corvelle_benchmarks)

# Printing for real: the plugin prints to the default CUPS printer and by name;
# the script checks the PDF pages. Skipped (77) when no PDF printer is set up.
add_executable(corvelle_print_page tests/print/print_page.cpp)
target_link_libraries(corvelle_print_page PRIVATE corvelle_test_host)
target_link_options(corvelle_print_page PRIVATE -municode)
corvelle_host_program(corvelle_print_page)
add_test(NAME print_end_to_end
  COMMAND ${CMAKE_SOURCE_DIR}/tests/print/print_end_to_end.sh $<TARGET_FILE:corvelle_print_page>)
set_tests_properties(print_end_to_end PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${CORVELLE_TEST_TIMEOUT})

# Writes the sample documents of samples/.
add_executable(make_samples tools/make_samples/make_samples.cpp)
target_link_libraries(make_samples PRIVATE corvelle_fixtures)
target_link_options(make_samples PRIVATE -municode)
corvelle_host_program(make_samples)
