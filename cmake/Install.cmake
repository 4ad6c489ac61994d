# `cmake --install` lays out every format where Linux hosts look for it, each
# with the sound library (TessarineData, Reset.t9i) where it finds it:
#
#   format        without a chosen prefix (~/.local) with -DCMAKE_INSTALL_PREFIX=P
#   VST 2         ~/.vst/Tessarine/                P/lib/vst/Tessarine/
#   LV2           ~/.lv2/Tessarine.lv2/            P/lib/lv2/Tessarine.lv2/
#   CLAP          ~/.clap/Tessarine/               P/lib/clap/Tessarine/
#   application   ~/.local/bin/tessarine-app       P/bin/tessarine-app
#                 (library in ~/.local/share/tessarine, P/share/tessarine)
#
# The VST 2 folder also holds the command-line host, which finds the plug-in
# beside itself. TESSARINE_BUNDLE_DIR, relative to the prefix or absolute,
# overrides the VST 2 folder. Each artefact's own CMakeLists installs it.

set(tessarine_user_install OFF)
# The prefix a user's install lands in (~/.local) puts every plug-in in the
# folder its hosts scan in the user's home. A build folder configured before
# every format had a place of its own holds ~/.vst as its default prefix: it
# is a user's install too.
if(DEFINED ENV{HOME})
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "$ENV{HOME}/.vst")
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix" FORCE)
  endif()
  if(CMAKE_INSTALL_PREFIX STREQUAL "$ENV{HOME}/.local")
    set(tessarine_user_install ON)
  endif()
endif()
if(tessarine_user_install)
  set(tessarine_vst_dir "$ENV{HOME}/.vst/Tessarine")
  set(TESSARINE_LV2_DIR "$ENV{HOME}/.lv2")
  set(TESSARINE_CLAP_DIR "$ENV{HOME}/.clap/Tessarine")
else()
  set(tessarine_vst_dir lib/vst/Tessarine)
  set(TESSARINE_LV2_DIR lib/lv2)
  set(TESSARINE_CLAP_DIR lib/clap/Tessarine)
endif()
set(TESSARINE_APP_BIN_DIR bin)
set(TESSARINE_APP_DATA_DIR share/tessarine)
if(NOT TESSARINE_BUNDLE_DIR)
  set(TESSARINE_BUNDLE_DIR ${tessarine_vst_dir})
endif()

# The sound library made beside the built plug-in, copied into a folder; a tree
# built without it installs without it.
function(tessarine_install_library destination)
  install(DIRECTORY ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/TessarineData DESTINATION ${destination} OPTIONAL)
  install(FILES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/Reset.t9i DESTINATION ${destination} OPTIONAL)
endfunction()
