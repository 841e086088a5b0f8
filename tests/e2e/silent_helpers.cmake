# What the unattended runs' tests need: the example package's product and
# information folders, beside the tests (the test builds the package itself).
add_custom_target(example_folders
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${BIN}/example
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/example/payload ${BIN}/example/payload
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/example/information ${BIN}/example/information)

# The browser and the held program of the unseen and the passive runs.
add_dependencies(e2e_silent example_folders wizard_recorder run_probe)
