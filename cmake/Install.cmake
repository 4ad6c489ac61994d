# `cmake --install` lays out the plug-in bundle: Tessarine.so with its sound
# library (TessarineData, Reset.t9i) beside it, where the plug-in looks for it,
# and the command-line host, which finds the plug-in beside itself.
#
# Without a chosen prefix the bundle goes to ~/.vst/Tessarine, a folder Linux
# hosts scan. With -DCMAKE_INSTALL_PREFIX=P it goes to P/lib/vst/Tessarine
# (P=/usr/local gives /usr/local/lib/vst/Tessarine, also scanned).
# TESSARINE_BUNDLE_DIR, relative to the prefix or absolute, overrides both.

set(tessarine_user_vst "$ENV{HOME}/.vst")
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
  set(CMAKE_INSTALL_PREFIX "${tessarine_user_vst}" CACHE PATH "Install prefix" FORCE)
endif()
if(NOT TESSARINE_BUNDLE_DIR)
  if(CMAKE_INSTALL_PREFIX STREQUAL tessarine_user_vst)
    set(TESSARINE_BUNDLE_DIR Tessarine)
  else()
    set(TESSARINE_BUNDLE_DIR lib/vst/Tessarine)
  endif()
endif()

install(TARGETS Tessarine LIBRARY DESTINATION ${TESSARINE_BUNDLE_DIR})
install(TARGETS tessarine RUNTIME DESTINATION ${TESSARINE_BUNDLE_DIR})
# The library is made beside the built plug-in; a tree built without it installs without it.
install(DIRECTORY ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/TessarineData DESTINATION ${TESSARINE_BUNDLE_DIR} OPTIONAL)
install(FILES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/Reset.t9i DESTINATION ${TESSARINE_BUNDLE_DIR} OPTIONAL)
