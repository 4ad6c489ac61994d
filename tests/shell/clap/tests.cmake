# Tessarine.clap through the CLAP interface as hosts drive it, and the
# adapter in the test's own process for the changes the plug-in originates.
# The tests load the plug-in with the command-line host's CLAP classes, the validator's own.
tessarine_test_folder(shell/clap tessarine_clap tessarine_host tessarine_test_support)
target_sources(tests_shell_clap PRIVATE ${allocation_counter})
target_compile_definitions(tests_shell_clap PRIVATE TESSARINE_CLAP_PATH="$<TARGET_FILE:Tessarine_clap>")
add_dependencies(tests_shell_clap Tessarine_clap factory_library)

# The validator hosts the CLAP plug-in as it hosts the VST one; its audio runs
# on a thread of its own. Its third level also plays a loaded state in a fresh
# instance and checks the values the plug-in reports by itself.
add_test(NAME shell/clap/Validate COMMAND $<TARGET_FILE:tessarine> validate --level 3
         --plugin $<TARGET_FILE:Tessarine_clap>)
set_tests_properties(shell/clap/Validate PROPERTIES LABELS threads)

# A CLAP plug-in with known faults, for the validator to find.
add_library(faulty_clap_plugin MODULE ${CMAKE_CURRENT_SOURCE_DIR}/shell/clap/fixtures/FaultyClapPlugin.cpp)
set_target_properties(faulty_clap_plugin PROPERTIES PREFIX "" SUFFIX ".clap" OUTPUT_NAME FaultyPlugin)
target_link_libraries(faulty_clap_plugin PRIVATE tessarine_clap_headers)
target_compile_definitions(tests_shell_clap PRIVATE TESSARINE_FAULTY_CLAP_PATH="$<TARGET_FILE:faulty_clap_plugin>")
add_dependencies(tests_shell_clap faulty_clap_plugin)

add_test(NAME shell/clap/ExportsOnlyClapEntry
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/shell/check_exports.sh $<TARGET_FILE:Tessarine_clap> clap_entry)
