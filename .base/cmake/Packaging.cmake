# `make package`: a Debian package of the host installation under
# /opt/korvanta, with the four programs on the PATH through links in
# /usr/bin. The programs find their plug-in and Resources/ from their own
# executable's real path, so a link works as well as the file itself.
set(KV_PACKAGE_PREFIX /opt/korvanta)

# The links are part of the package only: a plain `cmake --install` into a
# prefix of one's own leaves /usr/bin alone.
set(kv_path_links ${CMAKE_BINARY_DIR}/package/usr/bin)
file(MAKE_DIRECTORY ${kv_path_links})
foreach(program kvimport kvinfo kvprefs kvstudio)
  file(CREATE_LINK ${KV_PACKAGE_PREFIX}/bin/${program} ${kv_path_links}/${program} SYMBOLIC)
  install(FILES ${kv_path_links}/${program} DESTINATION /usr/bin COMPONENT path_links EXCLUDE_FROM_ALL)
endforeach()

# cpack installs what kv_host_installation built (make package builds it)
# instead of first building everything, tests and benchmarks included.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvanta-3ds-importer)
set(CPACK_PACKAGE_VENDOR "Hollin")
set(CPACK_PACKAGE_CONTACT "Korvanta 3DS importer maintainers <maintainers@hollin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D Studio (.3ds) importer for Korvanta, with a small host to run it")
set(CPACK_PACKAGE_DESCRIPTION
  "kvimport converts .3ds scenes into Korvanta model files through the importer plug-in; kvstudio does so on the desktop and shows the model in 3D; kvinfo prints a model file's contents and kvprefs edits the host's preferences.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${KV_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
# Whatever the install rules install, in any component, and the links.
get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What kvstudio loads at run time, which no library dependency names: the
# QML modules of its view.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qml6-module-qtquick, qml6-module-qtquick-window, qml6-module-qtqml-workerscript, qml6-module-quick3d, qml6-module-quick3d-helpers")

include(CPack)
