# System DLLs the launcher needs only after the client's start (or on other
# paths): delay-loaded, so they are loaded when first called instead of before
# the first instruction. Each costs milliseconds to load and initialise.
#
# MinGW: for each DLL a delay-load import library is made at configure time
# from the toolchain's own import library (its code symbols into a .def,
# dlltool -y), and every target that names the DLL links that library
# instead. MSVC: the launcher executables get /DELAYLOAD (see
# corvane_delay_load).
set(CORVANE_DELAY_LOADED_DLLS bcrypt crypt32 gdi32 gdiplus iphlpapi netapi32 ole32 oleaut32
    shell32 user32 winhttp wintrust)

if(NOT MSVC)
  # 32-bit GNU ld drops an import library's stub when code calls only
  # through the import slot (dllimport), yet a delay-load slot points into
  # that stub until the first call. System functions are therefore called
  # through their stubs: one jump more per call.
  add_compile_definitions(DECLSPEC_IMPORT=)
  get_filename_component(_compiler_name "${CMAKE_CXX_COMPILER}" NAME)
  string(REGEX REPLACE "g\\+\\+(-posix|-win32)?$" "" _tool_prefix "${_compiler_name}")
  find_program(CORVANE_DLLTOOL NAMES ${_tool_prefix}dlltool dlltool REQUIRED)
  find_program(CORVANE_NM NAMES ${_tool_prefix}nm nm REQUIRED)
  set(_delay_dir "${CMAKE_BINARY_DIR}/delay_load")
  file(MAKE_DIRECTORY "${_delay_dir}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit names carry a leading underscore and keep their @N in the
    # symbol; the DLL exports them without it (--kill-at).
    set(_kill_at --kill-at)
  else()
    set(_kill_at)
  endif()
  foreach(dll ${CORVANE_DELAY_LOADED_DLLS})
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(delay_lib "${_delay_dir}/lib${dll}_delay.a")
    execute_process(COMMAND "${CORVANE_NM}" -g --defined-only "${import_lib}"
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
    if(NOT nm_result EQUAL 0)
      message(FATAL_ERROR "cannot read ${import_lib}")
    endif()
    # Only code: a data export cannot be bound late.
    string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" code "${symbols}")
    list(REMOVE_DUPLICATES code)
    set(exports "")
    foreach(line ${code})
      string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${line}")
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(REGEX REPLACE "^_" "" name "${name}")
      endif()
      string(APPEND exports "  ${name}\n")
    endforeach()
    file(WRITE "${_delay_dir}/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}")
    execute_process(COMMAND "${CORVANE_DLLTOOL}" ${_kill_at} --input-def "${_delay_dir}/${dll}.def"
                            --dllname ${dll}.dll --output-delaylib "${delay_lib}"
                    RESULT_VARIABLE dlltool_result)
    if(NOT dlltool_result EQUAL 0)
      message(FATAL_ERROR "dlltool could not make ${delay_lib}")
    endif()
    set(CORVANE_SYSLIB_${dll} "${delay_lib}")
  endforeach()
endif()

# The library to link for system library |name|: its delay-load import
# library where there is one.
function(corvane_syslibs out)
  set(libs)
  foreach(name ${ARGN})
    if(DEFINED CORVANE_SYSLIB_${name})
      list(APPEND libs "${CORVANE_SYSLIB_${name}}")
    else()
      list(APPEND libs ${name})
    endif()
  endforeach()
  set(${out} ${libs} PARENT_SCOPE)
endfunction()

# MSVC binds delay loading per image.
function(corvane_delay_load target)
  if(MSVC)
    foreach(dll ${CORVANE_DELAY_LOADED_DLLS})
      target_link_options(${target} PRIVATE /DELAYLOAD:${dll}.dll)
    endforeach()
    target_link_libraries(${target} PRIVATE delayimp)
  endif()
endfunction()
