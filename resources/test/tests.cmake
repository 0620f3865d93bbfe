# Test products and resource checks.

# Resource modules of test products: DLLs that carry nothing but the generated
# resources. The launcher unit tests load them and read their string tables
# through LoadStringW.
set(CORVANE_TEST_PRODUCTS product_6383 product_sparse)
set(CORVANE_TEST_PRODUCT_TARGETS)
foreach(product ${CORVANE_TEST_PRODUCTS})
  set(target corvane_test_${product})
  add_library(${target} SHARED ${CMAKE_CURRENT_LIST_DIR}/product_module.cc)
  corvane_target(${target})
  set_target_properties(${target} PROPERTIES PREFIX "")
  corvane_product_resources(${target} ${CMAKE_CURRENT_LIST_DIR}/products/${product}.json)
  list(APPEND CORVANE_TEST_PRODUCT_TARGETS ${target})
endforeach()
# A module built from the shipped product, for the archive tests.
add_library(corvane_test_product_shipped SHARED ${CMAKE_CURRENT_LIST_DIR}/product_module.cc)
corvane_target(corvane_test_product_shipped)
set_target_properties(corvane_test_product_shipped PROPERTIES PREFIX "")
corvane_product_resources(corvane_test_product_shipped ${CORVANE_RESOURCES_DIR}/products/shipped.json)
list(APPEND CORVANE_TEST_PRODUCT_TARGETS corvane_test_product_shipped)
set(CORVANE_TEST_PRODUCT_TARGETS ${CORVANE_TEST_PRODUCT_TARGETS} CACHE INTERNAL "")

# The launcher's unit tests find the modules beside themselves; the test
# binary is defined later, so the dependency is added at the end of the
# configuration.
function(corvane_resources_add_test_dependencies)
  if(TARGET launcher_unittests)
    add_dependencies(launcher_unittests ${CORVANE_TEST_PRODUCT_TARGETS})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR}
               CALL corvane_resources_add_test_dependencies)

# End to end: a launcher-like program with the shipped resources picks its
# language from the locale that Wine takes from LC_ALL of the process
# (CreateProcess with another LC_ALL in the environment block does not change
# the child's locale, so the variable is set on the Wine command itself).
add_executable(corvane_locale_probe ${CMAKE_CURRENT_LIST_DIR}/locale_probe_main.cc)
corvane_target(corvane_locale_probe)
target_link_libraries(corvane_locale_probe PRIVATE corvane_launcher_lib)
corvane_product_resources(corvane_locale_probe ${CORVANE_RESOURCES_DIR}/products/shipped.json)

if(CMAKE_CROSSCOMPILING)
  set(wine_run ${CMAKE_SOURCE_DIR}/test/wine/run.sh)
  # locale given to Wine, expected Windows locale name, expected language file
  foreach(case "de_AT.UTF-8;de-AT;de-DE" "sw_KE.UTF-8;sw-KE;sw-KE" "zh_HK.UTF-8;zh-HK;en-us")
    list(GET case 0 unix_locale)
    list(GET case 1 windows_locale)
    list(GET case 2 language_file)
    add_test(NAME resources_locale_${windows_locale}
             COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${unix_locale} ${wine_run}
                     $<TARGET_FILE:corvane_locale_probe> ${windows_locale} ${language_file})
  endforeach()
endif()

# The built launcher's resources, read by a PE parser of its own.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(corvane_pe_machine amd64)
else()
  set(corvane_pe_machine i386)
endif()
add_test(NAME resources_launcher_pe
         COMMAND ${CORVANE_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_pe_resources.py
                 --exe $<TARGET_FILE:corvane_launcher> --machine ${corvane_pe_machine}
                 --product ${CORVANE_RESOURCES_DIR}/products/shipped.json
                 --i18n ${CORVANE_RESOURCES_DIR}/i18n
                 "--delay-loaded=${CORVANE_DELAY_LOADED_DLLS}")
# The generator refuses broken product files instead of emitting a table.
add_test(NAME resources_generator
         COMMAND ${CORVANE_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/gen_resources_test.py
                 ${CORVANE_RESOURCES_DIR}/gen_resources.py ${CORVANE_RESOURCES_DIR}/i18n)
