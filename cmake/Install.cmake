# Installation the way Debian lays a library and its tools out (GNUInstallDirs), a CMake
# package (find_package(VkTalveronUpdate) gives VkTalveron::UpdateLib), a pkg-config file,
# and Debian packages made by CPack: the runtime library, its -dev package and the tools.
set(CMAKE_INSTALL_DOCDIR share/doc/vktalveron-update CACHE PATH "Documentation folder")
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VK_PACKAGE_VERSION "${VK_LIB_VERSION_MAJOR}.${VK_LIB_VERSION_MINOR}.${VK_LIB_VERSION_PATCH}")
set(VK_INCLUDE_SUBDIR VkTalveronUpdate)
set(VK_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VkTalveronUpdate)

# The libraries: a SONAME of the major version, version symlinks of the library version.
set_target_properties(VkTalveronUpdateLib PROPERTIES
    VERSION ${VK_PACKAGE_VERSION} SOVERSION ${VK_LIB_VERSION_MAJOR} EXPORT_NAME UpdateLib)
set_target_properties(VkPlatform PROPERTIES
    VERSION ${VK_PACKAGE_VERSION} SOVERSION ${VK_LIB_VERSION_MAJOR} EXPORT_NAME Platform)
install(TARGETS VkTalveronUpdateLib VkPlatform EXPORT VkTalveronUpdateTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${VK_INCLUDE_SUBDIR})

# The public headers, and the platform headers they include.
install(FILES
    include/ParameterSet.h include/UpdateMode.h include/VkTCmdOptions.h
    include/VkHostEvents.h include/VkTalveronUpdateLib.h include/VkUpdateExport.h
    include/VkUpdatePlan.h
    platform/VkCErrorList.h platform/VkCString.h platform/VkCVersion.h platform/VkPlatformApi.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${VK_INCLUDE_SUBDIR} COMPONENT dev)

install(EXPORT VkTalveronUpdateTargets NAMESPACE VkTalveron::
    DESTINATION ${VK_CMAKE_PACKAGE_DIR} COMPONENT dev)
configure_package_config_file(cmake/VkTalveronUpdateConfig.cmake.in
    ${CMAKE_BINARY_DIR}/VkTalveronUpdateConfig.cmake INSTALL_DESTINATION ${VK_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VkTalveronUpdateConfigVersion.cmake
    VERSION ${VK_PACKAGE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VkTalveronUpdateConfig.cmake
              ${CMAKE_BINARY_DIR}/VkTalveronUpdateConfigVersion.cmake
    DESTINATION ${VK_CMAKE_PACKAGE_DIR} COMPONENT dev)
configure_file(cmake/vktalveron-update.pc.in ${CMAKE_BINARY_DIR}/vktalveron-update.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vktalveron-update.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The tools with their manual pages and completion, and the examples to try them on.
install(TARGETS vkupdate vksim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(FILES ${CMAKE_BINARY_DIR}/man/vkupdate.1 ${CMAKE_BINARY_DIR}/man/vksim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
install(FILES hosts/vkupdate/vkupdate.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vkupdate
    COMPONENT tools)
install(DIRECTORY examples/targets DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT tools)
install(DIRECTORY ${CMAKE_BINARY_DIR}/examples/firmware/release-5.0
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/firmware COMPONENT tools)

# Debian packages (make package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vktalveron-update)
set(CPACK_PACKAGE_VERSION ${VK_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "Velkor")
set(CPACK_PACKAGE_CONTACT "VkTalveronUpdate maintainers <maintainers@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "firmware update library for TALVERON real-time target systems")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime dev tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, which the tools need, are found in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/src ${CMAKE_BINARY_DIR}/platform)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvktalveron-update${VK_LIB_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libvktalveron-update-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libvktalveron-update${VK_LIB_VERSION_MAJOR} (= ${VK_PACKAGE_VERSION})")
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vktalveron-update-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS
    "libvktalveron-update${VK_LIB_VERSION_MAJOR} (= ${VK_PACKAGE_VERSION})")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "firmware update library for TALVERON real-time target systems\n The library that reads firmware containers, plans and runs firmware updates of\n TALVERON real-time target systems, with the platform library it runs on.")
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "firmware update library for TALVERON real-time target systems (development files)\n Headers, CMake package (VkTalveron::UpdateLib) and pkg-config file.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "command-line firmware updater for TALVERON real-time target systems\n vkupdate lists boards, plans and runs updates; vksim makes firmware images and\n shows simulated targets. With example targets and a firmware container.")
include(CPack)
