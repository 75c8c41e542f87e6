# What `cmake --install` puts under a prefix, and the Debian package `cpack -G DEB` makes
# of it. Every path is relative to the prefix and every run path to the file holding it,
# so an installed prefix works wherever it is moved or unpacked:
#
#   bin/                      the nimbra command and both hosts
#   lib/nimbra/               the platform libraries, found through $ORIGIN/../lib/nimbra
#   share/nimbra/root/        the device-like tree, laid out as the build's root/
#   share/doc/nimbra/         the licence and the Debian copyright file

set(NIMBRA_PLATFORM_LIBRARIES
    nimbra_objc nimbra_foundation nimbra_dispatch nimbra_coregraphics nimbra_coretext
    nimbra_quartzcore nimbra_uikit nimbra_preferences nimbra_springboard nimbra_label)
set(NIMBRA_PROGRAMS nimbra nimbra-settings nimbra-springboard)

function(nimbra_install_rules)
  set(libdir lib/nimbra)
  set(rootdir share/nimbra/root)
  # From root/Library/<folder>/<folder>/ back up to the prefix.
  set(from_deliverable "$ORIGIN/../../../../../../${libdir}")
  # Installed programs and libraries are stripped, always: their debug information names
  # the source and build folders. (Nothing else in them does; the install test checks.)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")

  set_target_properties(${NIMBRA_PROGRAMS} PROPERTIES INSTALL_RPATH "$ORIGIN/../${libdir}")
  install(TARGETS ${NIMBRA_PROGRAMS} RUNTIME DESTINATION bin)

  foreach(library ${NIMBRA_PLATFORM_LIBRARIES})
    get_target_property(type ${library} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
      set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
      install(TARGETS ${library} LIBRARY DESTINATION ${libdir})
    endif()
  endforeach()

  set(plugins ${rootdir}/Library/MobileSubstrate/DynamicLibraries)
  set_target_properties(Nimbra PROPERTIES INSTALL_RPATH "${from_deliverable}")
  install(TARGETS Nimbra LIBRARY DESTINATION ${plugins})
  install(FILES ${PROJECT_SOURCE_DIR}/plugin/Nimbra.plist DESTINATION ${plugins})

  set(bundle ${rootdir}/Library/PreferenceBundles/Nimbra.bundle)
  set(resources ${PROJECT_SOURCE_DIR}/settings/resources)
  set_target_properties(nimbra_bundle PROPERTIES INSTALL_RPATH "${from_deliverable}")
  install(TARGETS nimbra_bundle LIBRARY DESTINATION ${bundle})
  install(FILES ${resources}/Info.plist ${resources}/Nimbra.plist DESTINATION ${bundle})
  install(FILES ${resources}/Entry.plist DESTINATION ${rootdir}/Library/PreferenceLoader/Preferences
          RENAME Nimbra.plist)

  # The sample home screen with the icon images the build drew for it.
  install(DIRECTORY ${NIMBRA_ROOT}/Library/SpringBoard/ DESTINATION ${rootdir}/Library/SpringBoard
          PATTERN icons.stamp EXCLUDE)

  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/resources/debian/copyright
          DESTINATION share/doc/nimbra)
endfunction()

function(nimbra_package)
  # A package is made of what the build made: cpack (through the preinstall target) does
  # not first build everything else, such as the tests.
  set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON PARENT_SCOPE)
  set(CPACK_PACKAGE_NAME nimbra)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "The Nimbra developers")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "Glowing home-screen badges, with a settings pane, on a home-screen host for Linux")
  set(CPACK_PACKAGE_DESCRIPTION
      "The nimbra command, a home-screen host that loads the Nimbra plug-in, and a Settings
app host with the plug-in's settings pane.")
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Nimbra developers <nimbra@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  # The libraries the programs link, as dpkg-shlibdeps finds them; our own are found in
  # the package itself, through their run paths or this folder.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ".${CPACK_PACKAGING_INSTALL_PREFIX}/lib/nimbra")
  # The device's font names map onto these faces (platform/coretext's font catalogue);
  # characters they lack fall back to Noto.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-inter, fonts-dejavu-core")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, fonts-noto-cjk, xdg-utils")
  include(CPack)
endfunction()
