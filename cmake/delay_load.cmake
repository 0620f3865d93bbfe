# System DLLs the launcher needs only after the client's start (or on other
# paths): delay-loaded, so they are loaded when first called instead of before
# the first instruction. Each costs milliseconds to load and initialise.
#
# MinGW: for each DLL a delay-load import library is made at configure time
# from the toolchain's own import library (its code symbols into a .def,
# dlltool -y), and every target that names the DLL links that library
# instead. MSVC: the launcher executables get /DELAYLOAD (see
# corvane_delay_load). With MinGW the few advapi32 functions needed before
# the start come from their API sets instead (see below).
set(CORVANE_DELAY_LOADED_DLLS advapi32 bcrypt crypt32 gdi32 gdiplus iphlpapi netapi32 ole32
    oleaut32 shell32 user32 winhttp wintrust)
# MinGW only: the API-set import libraries linked ahead of advapi32.
set(CORVANE_API_SET_LIBS)

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
  # Writes the .def of |dll| with |exports| (one name a line) beside |lib| and
  # makes |lib| from it; |output| is --output-lib or --output-delaylib.
  function(corvane_import_library dll exports output lib)
    get_filename_component(dir "${lib}" DIRECTORY)
    file(WRITE "${dir}/${dll}.def" "LIBRARY ${dll}.dll\nEXPORTS\n${exports}")
    execute_process(COMMAND "${CORVANE_DLLTOOL}" ${_kill_at} --input-def "${dir}/${dll}.def"
                            --dllname ${dll}.dll ${output} "${lib}"
                    RESULT_VARIABLE dlltool_result)
    if(NOT dlltool_result EQUAL 0)
      message(FATAL_ERROR "dlltool could not make ${lib}")
    endif()
  endfunction()
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
    corvane_import_library(${dll} "${exports}" --output-delaylib "${delay_lib}")
    set(CORVANE_SYSLIB_${dll} "${delay_lib}")
  endforeach()

  # The registry and token functions that run before the client's start are
  # advapi32's only as forwarders: they live in the core DLL behind these API
  # sets, which the loader resolves without loading another module. Bound
  # there, nothing before the start loads advapi32 (under Wine it brings
  # sechost and ucrtbase along, a few milliseconds). Each entry: API set, then
  # its functions with their 32-bit argument bytes. MSVC builds keep advapi32
  # (delay-loaded, so it loads at the first registry read), since an import
  # library for 32-bit stdcall names by lib /def was not made and tried there.
  set(_api_sets
      "api-ms-win-core-registry-l1-1-0:RegCloseKey@4,RegCreateKeyExW@36,RegOpenKeyExW@20,RegQueryValueExW@24,RegSetValueExW@24"
      "api-ms-win-core-processthreads-l1-1-0:OpenProcessToken@12"
      "api-ms-win-security-base-l1-1-0:GetTokenInformation@20")
  set(_api_set_dir "${CMAKE_BINARY_DIR}/api_sets")
  file(MAKE_DIRECTORY "${_api_set_dir}")
  foreach(entry ${_api_sets})
    string(REPLACE ":" ";" entry "${entry}")
    list(GET entry 0 api_set)
    list(GET entry 1 functions)
    string(REPLACE "," ";" functions "${functions}")
    set(exports "")
    foreach(function ${functions})
      if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(REGEX REPLACE "@[0-9]+$" "" function "${function}")
      endif()
      string(APPEND exports "  ${function}\n")
    endforeach()
    set(lib "${_api_set_dir}/lib${api_set}.a")
    corvane_import_library(${api_set} "${exports}" --output-lib "${lib}")
    list(APPEND CORVANE_API_SET_LIBS "${lib}")
  endforeach()
endif()

# The library to link for system library |name|: its delay-load import
# library where there is one.
function(corvane_syslibs out)
  set(libs)
  foreach(name ${ARGN})
    # Ahead of advapi32, so that the linker takes these functions from them.
    if(name STREQUAL "advapi32")
      list(APPEND libs ${CORVANE_API_SET_LIBS})
    endif()
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
