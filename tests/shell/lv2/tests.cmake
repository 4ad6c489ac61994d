# The LV2 plug-in as hosts see it: the command-line host's lilv host on the
# built bundle, the bundle's descriptions through lv2_validate and lilv's own
# tool, and the adapter's transport reader and port symbols on their own.
pkg_check_modules(LILV REQUIRED IMPORTED_TARGET lilv-0)
pkg_check_modules(LV2 REQUIRED IMPORTED_TARGET lv2)
tessarine_test_folder(shell/lv2 tessarine_host PkgConfig::LILV PkgConfig::LV2 PkgConfig::XTST tessarine_lv2_ttl
                      tessarine_core)
# The transport reader is compiled in: the module exports nothing else to test it through.
target_sources(tests_shell_lv2 PRIVATE ${release_font_caches}
               ${PROJECT_SOURCE_DIR}/src/shell/lv2/Lv2Transport.cpp)
target_include_directories(tests_shell_lv2 PRIVATE ${CMAKE_BINARY_DIR}/include-roots/shell)
target_compile_definitions(tests_shell_lv2 PRIVATE TESSARINE_LV2_BUNDLE="${CMAKE_BINARY_DIR}/Tessarine.lv2/")
add_dependencies(tests_shell_lv2 lv2_bundle)

# Every description of the bundle passes the validator. It exits 0 whatever it
# finds, so its report decides: an "error:" line, or no summary at all, fails.
add_test(NAME shell/lv2/BundleValidates
  COMMAND sh -c "cd \"$1\" && report=$(lv2_validate manifest.ttl Tessarine.ttl presets/*.ttl 2>&1) || { echo \"$report\"; exit 1; }
                 echo \"$report\" | tail -n 3
                 echo \"$report\" | grep -q '^Found 0 errors' || { echo \"$report\" | grep -A3 '^error' | head -n 40; exit 1; }
                 ! echo \"$report\" | grep -q '^error'"
          _ ${CMAKE_BINARY_DIR}/Tessarine.lv2)

# lilv's own tool finds the instrument where the build put it.
add_test(NAME shell/lv2/Lv2InfoListsThePlugin
  COMMAND sh -c "LV2_PATH=\"$1:/usr/lib/lv2\" lv2info urn:brightmoor-labs:tessarine 2>/dev/null" _ ${CMAKE_BINARY_DIR})
set_tests_properties(shell/lv2/Lv2InfoListsThePlugin PROPERTIES
  PASS_REGULAR_EXPRESSION "Name: +Tessarine.*Class: +Instrument Plugin.*Port 175:")

# tessarine validate checks the bundle as it checks the other formats: every
# rate and block size, broken events, the state, the presets, and (the
# instrument being Tessarine) no allocation on the audio thread.
add_test(NAME shell/lv2/Validate COMMAND $<TARGET_FILE:tessarine> validate --level 3
         --plugin ${CMAKE_BINARY_DIR}/Tessarine.lv2)

# Only the two descriptors leave the module.
add_test(NAME shell/lv2/ExportsOnlyTheDescriptors
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/shell/check_exports.sh $<TARGET_FILE:Tessarine_lv2>
          lv2_descriptor lv2ui_descriptor)

# jalv, a real LV2 host, headless on a JACK server of its own. It loads our
# module into itself, which a sanitizer build's module cannot be.
if(NOT TESSARINE_SANITIZE)
  add_test(NAME shell/lv2/JalvShowsThePresetsValues
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/check_jalv.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_BINARY_DIR}/Tessarine.lv2/presets/Strings_Solo_Cello.ttl
            "urn:brightmoor-labs:tessarine#preset-Strings_Solo_Cello")
endif()
