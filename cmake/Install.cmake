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

# The pkg-config file hands on Coin's flags: through `Requires: Coin` where
# Coin has a pkg-config file of its own, else (Debian ships none) as the
# library and include folders of Coin's CMake package, left out where the
# compiler looks anyway.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(ZKCP_COIN_PC QUIET Coin)
endif()
set(ZKCP_PC_REQUIRES "")
set(ZKCP_PC_COIN_LIBS "")
set(ZKCP_PC_COIN_CFLAGS "")
if(ZKCP_COIN_PC_FOUND)
  set(ZKCP_PC_REQUIRES "Coin")
else()
  get_target_property(coin_library Coin::Coin LOCATION)
  get_filename_component(coin_libdir "${coin_library}" DIRECTORY)
  if(NOT coin_libdir IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
    set(ZKCP_PC_COIN_LIBS "-L${coin_libdir} ")
  endif()
  string(APPEND ZKCP_PC_COIN_LIBS "-lCoin")
  get_target_property(coin_includes Coin::Coin INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS coin_includes)
    if(NOT dir IN_LIST CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES)
      string(APPEND ZKCP_PC_COIN_CFLAGS " -I${dir}")
    endif()
  endforeach()
endif()

# The pkg-config file names the prefix it is installed into, which
# `cmake --install --prefix` may choose after configuring: it is written at
# install time, when CMAKE_INSTALL_PREFIX holds the prefix in use.
install(CODE "
  set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(ZKCP_PC_REQUIRES \"${ZKCP_PC_REQUIRES}\")
  set(ZKCP_PC_COIN_LIBS \"${ZKCP_PC_COIN_LIBS}\")
  set(ZKCP_PC_COIN_CFLAGS \"${ZKCP_PC_COIN_CFLAGS}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/zkcp.pc.in\" \"${PROJECT_BINARY_DIR}/pkgconfig/zkcp.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/zkcp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The files the programs ship with (X_ITE and the page assets, the sample
# world) go to <datadir>/zkcp. A program finds them from its own location,
# through ZKCP_DATA_FROM_BIN, the path from the programs' folder to that
# one; the build tree mirrors the layout from where the programs are built
# (ZKCP_BUILD_DATA_DIR), with links to the sources, so the programs work in
# both places and never look into the tree they were built from.
file(RELATIVE_PATH ZKCP_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/zkcp)
file(RELATIVE_PATH ZKCP_LIB_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(ZKCP_TOOLS_BINARY_DIR ${PROJECT_BINARY_DIR}/tools)
cmake_path(ABSOLUTE_PATH ZKCP_DATA_FROM_BIN BASE_DIRECTORY ${ZKCP_TOOLS_BINARY_DIR}
  NORMALIZE OUTPUT_VARIABLE ZKCP_BUILD_DATA_DIR)

# zkcp_add_data(DESTINATION SUBDIR [FILES FILE...] [DIRECTORIES DIR...] [OPTIONAL])
# installs the files and directories into <datadir>/zkcp/SUBDIR and links
# each at the same place under ZKCP_BUILD_DATA_DIR. OPTIONAL lets a source
# be missing at install time.
function(zkcp_add_data)
  cmake_parse_arguments(PARSE_ARGV 0 arg "OPTIONAL" "DESTINATION" "FILES;DIRECTORIES")
  set(dest ${CMAKE_INSTALL_DATADIR}/zkcp/${arg_DESTINATION})
  set(optional "")
  if(arg_OPTIONAL)
    set(optional OPTIONAL)
  endif()
  if(arg_FILES)
    install(FILES ${arg_FILES} DESTINATION ${dest} ${optional})
  endif()
  if(arg_DIRECTORIES)
    install(DIRECTORY ${arg_DIRECTORIES} DESTINATION ${dest} ${optional})
  endif()
  file(MAKE_DIRECTORY ${ZKCP_BUILD_DATA_DIR}/${arg_DESTINATION})
  foreach(source IN LISTS arg_FILES arg_DIRECTORIES)
    cmake_path(GET source FILENAME name)
    file(CREATE_LINK ${source} ${ZKCP_BUILD_DATA_DIR}/${arg_DESTINATION}/${name} SYMBOLIC)
  endforeach()
endfunction()
