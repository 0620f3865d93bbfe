# The process tests start the test child from the test binary's directory.
if(TARGET base_unittests)
  add_dependencies(base_unittests test_child)
endif()
