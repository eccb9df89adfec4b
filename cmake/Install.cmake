# Installs the library, its headers, a CMake package (find_package(zkcp)
# gives zkcp::zkcp) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS zkcp EXPORT zkcpTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(header IN LISTS ZKCP_HEADERS)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${header})
  get_filename_component(dir ${rel} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${dir})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/zkcp/zkcp.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zkcp)

set(ZKCP_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zkcp)
install(EXPORT zkcpTargets NAMESPACE zkcp:: DESTINATION ${ZKCP_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/zkcpConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zkcpConfig.cmake
  INSTALL_DESTINATION ${ZKCP_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zkcpConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zkcpConfig.cmake ${PROJECT_BINARY_DIR}/zkcpConfigVersion.cmake
  DESTINATION ${ZKCP_CMAKE_DIR})

# The pkg-config file names the prefix it is installed into, which
# `cmake --install --prefix` may choose after configuring: it is written at
# install time, when CMAKE_INSTALL_PREFIX holds the prefix in use.
install(CODE "
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/zkcp.pc.in\" \"${PROJECT_BINARY_DIR}/pkgconfig/zkcp.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/zkcp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
