# The installation tree, its CMake package and pkg-config file, and the
# Debian package made of it.
#
#   <prefix>/Sys/libKavroStd.so*            the library and its soname links;
#                                           the library derives <prefix> as
#                                           the installation root from it
#   <prefix>/include/KavroStd/              the public headers (compat/ too)
#   <prefix>/lib/cmake/KavroStd/            find_package(KavroStd): the targets
#                                           KavroStd::KavroStd, KavroStd::compat
#   <prefix>/lib/pkgconfig/KavroStd.pc      pkg-config; relocatable (paths
#                                           derived from the file's own folder)

include(CMakePackageConfigHelpers)

# The installation root: /opt/kavro unless another prefix is named, the same
# root as the Debian package's (the library makes the folder above its Sys/
# the root, so /usr/local would become one).
set(KAVRO_PACKAGE_PREFIX /opt/kavro CACHE PATH "Installation root of the Debian package")
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX ${KAVRO_PACKAGE_PREFIX} CACHE PATH "Installation root" FORCE)
endif()

set(KAVRO_INSTALL_SYSDIR Sys)
set(KAVRO_INSTALL_INCLUDEDIR include)
set(KAVRO_INSTALL_CMAKEDIR lib/cmake/KavroStd)
set(KAVRO_INSTALL_PKGCONFIGDIR lib/pkgconfig)

set_target_properties(KavroStd PROPERTIES EXPORT_NAME KavroStd)
set_target_properties(KavroStd_compat PROPERTIES EXPORT_NAME compat)
install(TARGETS KavroStd KavroStd_compat EXPORT KavroStdTargets
  LIBRARY DESTINATION ${KAVRO_INSTALL_SYSDIR}
  INCLUDES DESTINATION ${KAVRO_INSTALL_INCLUDEDIR})
install(DIRECTORY include/KavroStd DESTINATION ${KAVRO_INSTALL_INCLUDEDIR})
# Public headers generated at build time (wrappers made from type
# descriptions); the folder exists only in builds that generate some.
install(DIRECTORY ${CMAKE_BINARY_DIR}/generated/include/ DESTINATION ${KAVRO_INSTALL_INCLUDEDIR} OPTIONAL)

install(EXPORT KavroStdTargets NAMESPACE KavroStd:: DESTINATION ${KAVRO_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/KavroStdConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/KavroStdConfig.cmake
  INSTALL_DESTINATION ${KAVRO_INSTALL_CMAKEDIR})
# The soname carries the major version, so any 1.x satisfies a request for 1.y <= x.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/KavroStdConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/KavroStdConfig.cmake
  ${CMAKE_BINARY_DIR}/package/KavroStdConfigVersion.cmake
  DESTINATION ${KAVRO_INSTALL_CMAKEDIR})

configure_file(cmake/KavroStd.pc.in ${CMAKE_BINARY_DIR}/package/KavroStd.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/KavroStd.pc DESTINATION ${KAVRO_INSTALL_PKGCONFIGDIR})

# cpack -G DEB: the tree above under /opt/kavro, its dependencies taken by
# dpkg-shlibdeps from the shared libraries the library actually links.
set(KAVRO_PACKAGE_CONTACT "KavroStd developers <kavrostd@example.invalid>" CACHE STRING
  "Maintainer named in the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrostd)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Common support library of the Kavro CAD add-on products")
set(CPACK_PACKAGE_DESCRIPTION
  "libKavroStd.so with its headers, CMake package and pkg-config file, laid out as an installation tree: the library in Sys/.")
set(CPACK_PACKAGE_CONTACT ${KAVRO_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX ${KAVRO_PACKAGE_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
