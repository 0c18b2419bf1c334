# The one place for the Win32 compile and link flags of our own targets.

add_library(lexiferry_flags INTERFACE)
target_compile_definitions(lexiferry_flags INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601 WINVER=0x0601)
target_include_directories(lexiferry_flags INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_features(lexiferry_flags INTERFACE cxx_std_20)

if(MSVC)
  target_compile_options(lexiferry_flags INTERFACE /W4 /WX /utf-8 /permissive- /EHsc)
  # The manifest comes from the resource script; the linker must not add a second one.
  target_link_options(lexiferry_flags INTERFACE /MANIFEST:NO)
  # The C runtime linked in: a vcruntime DLL would be looked up beside the program first.
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
else()
  target_compile_options(lexiferry_flags INTERFACE -Wall -Wextra -Wpedantic -Werror)
  # The executables import only system DLLs: no libstdc++ or winpthread DLL beside them.
  target_link_options(lexiferry_flags INTERFACE -static -static-libgcc -static-libstdc++)
  # A release carries no debug sections (most of them the static C++ runtime's).
  target_link_options(lexiferry_flags INTERFACE $<$<CONFIG:Release,MinSizeRel>:-s>)
  # The same source gives the same bytes, whatever the folder, the clock or the user: no time
  # stamp in the PE header (the header's checksum then follows from the rest), and no path of
  # the source or build tree in the code, where __FILE__ would put it.
  target_link_options(lexiferry_flags INTERFACE -Wl,--no-insert-timestamp)
  target_compile_options(lexiferry_flags INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                                                   -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()

# A program of ours: flags, and under MinGW the Unicode entry point.
function(lexiferry_program_flags target)
  target_link_libraries(${target} PRIVATE lexiferry_flags)
  if(NOT MSVC)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()
