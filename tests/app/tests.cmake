# The standalone application: its engine and pieces in-process, and the built
# program on private JACK servers (jackd's dummy backend, jack_midiseq, jack_rec).
tessarine_test_folder(app tessarine_app tessarine_test_support PkgConfig::SNDFILE)
# The editor draws text in its window: font caches are released at the end for the leak checker.
target_sources(tests_app PRIVATE ${allocation_counter} ${release_font_caches})
add_dependencies(tests_app tessarine-app factory_library)
target_compile_definitions(tests_app PRIVATE
  TESSARINE_APP_PATH="$<TARGET_FILE:tessarine-app>"
  TESSARINE_PRIVATE_JACKD="${CMAKE_CURRENT_LIST_DIR}/../support/private_jackd.py"
  TESSARINE_LIBRARY_ROOT="${CMAKE_BINARY_DIR}")
