# Cross-compiles the plugin for 64-bit Windows with clang and lld, against
# the mingw-w64 headers and runtime (the -posix gcc library folder, for the
# same threading model as the gcc build).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(target x86_64-w64-windows-gnu)
set(toolchain_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${target})
set(CMAKE_CXX_COMPILER_TARGET ${target})
set(CMAKE_RC_COMPILER ${toolchain_prefix}-windres)
set(CMAKE_DLLTOOL ${toolchain_prefix}-dlltool)

# clang finds the mingw-w64 C headers itself, but not gcc's C++ library: the
# -posix gcc says where its own is, whatever its version.
execute_process(COMMAND ${toolchain_prefix}-gcc-posix -print-libgcc-file-name
  OUTPUT_VARIABLE libgcc OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE libgcc_status)
if(NOT libgcc_status EQUAL 0 OR NOT EXISTS "${libgcc}")
  message(FATAL_ERROR "${toolchain_prefix}-gcc-posix cannot say where its libraries are")
endif()
get_filename_component(gcc_library_folder "${libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT
  "-isystem ${gcc_library_folder}/include/c++ -isystem ${gcc_library_folder}/include/c++/${toolchain_prefix}")
set(linker_flags "-fuse-ld=lld -L${gcc_library_folder} -pthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${linker_flags})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${linker_flags})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${linker_flags})

set(CMAKE_FIND_ROOT_PATH /usr/${toolchain_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
