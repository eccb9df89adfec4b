# Checks that an outside project can use an installed zkcp: installs the
# build tree into a prefix under the build directory, then builds and runs
# tests/consumer/main.cpp twice, once through find_package(zkcp) and once
# through pkg-config. Then runs the installed programs from another folder,
# with nothing but the install: each says the package's version, and
# zkcp-export writes the installed sample world in every format, its x3d
# page checked in headless chromium by web/check.mjs.
#
# Included from tests/CMakeLists.txt it registers the test; run with
# `cmake -P` (as the test does) it carries out the steps.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(consumer_tools "")
  foreach(tool zkcp-export zkcp-serve)
    if(TARGET ${tool})
      list(APPEND consumer_tools ${tool})
    endif()
  endforeach()
  # The sample world is exported only when its modules are built.
  if(NOT TARGET doors)
    list(REMOVE_ITEM consumer_tools zkcp-export)
  endif()
  set(consumer_flags "")
  if(ZKCP_SANITIZE)
    # The installed library then needs the sanitizer runtimes too.
    set(consumer_flags "-fsanitize=address,undefined -fno-omit-frame-pointer")
  endif()
  add_test(NAME consumer_builds_against_install
    COMMAND ${CMAKE_COMMAND}
      -DZKCP_BUILD_DIR=${PROJECT_BINARY_DIR}
      -DZKCP_WORK_DIR=${CMAKE_CURRENT_BINARY_DIR}
      -DZKCP_CONSUMER_SOURCE=${CMAKE_CURRENT_LIST_DIR}
      -DZKCP_LIBDIR=${CMAKE_INSTALL_LIBDIR}
      -DZKCP_BINDIR=${CMAKE_INSTALL_BINDIR}
      -DZKCP_DATADIR=${CMAKE_INSTALL_DATADIR}
      -DZKCP_SOURCE_DIR=${PROJECT_SOURCE_DIR}
      "-DZKCP_TOOLS=${consumer_tools}"
      -DZKCP_GENERATOR=${CMAKE_GENERATOR}
      -DZKCP_CXX=${CMAKE_CXX_COMPILER}
      -DZKCP_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      "-DZKCP_EXTRA_FLAGS=${consumer_flags}"
      -P ${CMAKE_CURRENT_LIST_FILE})
  # It installs into and builds in its own directories; keep it away from
  # anything else that might touch them.
  set_tests_properties(consumer_builds_against_install PROPERTIES
    TIMEOUT 400
    RUN_SERIAL TRUE
    SKIP_REGULAR_EXPRESSION "browser check skipped")
  return()
endif()

cmake_minimum_required(VERSION 3.20)
foreach(var ZKCP_BUILD_DIR ZKCP_WORK_DIR ZKCP_CONSUMER_SOURCE ZKCP_LIBDIR ZKCP_BINDIR ZKCP_DATADIR
            ZKCP_SOURCE_DIR ZKCP_GENERATOR ZKCP_CXX)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "consumer test: ${var} is not set")
  endif()
endforeach()

set(prefix ${ZKCP_WORK_DIR}/consumer-inst)
set(cmake_build ${ZKCP_WORK_DIR}/consumer-build)
set(pc_program ${ZKCP_WORK_DIR}/consumer-pkgconfig)
set(elsewhere ${ZKCP_WORK_DIR}/consumer-elsewhere)

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "consumer test: ${what} failed (${rc})\n${out}\n${err}")
  endif()
  message(STATUS "consumer test: ${what}: ok")
endfunction()

file(REMOVE_RECURSE ${prefix} ${cmake_build} ${pc_program} ${elsewhere})

run_step("install into ${prefix}"
  ${CMAKE_COMMAND} --install ${ZKCP_BUILD_DIR} --prefix ${prefix})

# The installed tree must carry the headers, the library and both package
# descriptions.
foreach(f include/zkcp/zkcp.h
          include/zkcp/foundation/RWCString.h
          include/zkcp/foundation/ZKNameTable.h
          ${ZKCP_LIBDIR}/cmake/zkcp/zkcpConfig.cmake
          ${ZKCP_LIBDIR}/pkgconfig/zkcp.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "consumer test: ${f} is not installed")
  endif()
endforeach()

# 1. find_package(zkcp) from a separate CMake project.
set(configure_args -S ${ZKCP_CONSUMER_SOURCE} -B ${cmake_build} -G ${ZKCP_GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_CXX_COMPILER=${ZKCP_CXX}
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
if(ZKCP_BUILD_TYPE)
  list(APPEND configure_args -DCMAKE_BUILD_TYPE=${ZKCP_BUILD_TYPE})
endif()
if(ZKCP_EXTRA_FLAGS)
  list(APPEND configure_args "-DCMAKE_CXX_FLAGS=${ZKCP_EXTRA_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${ZKCP_EXTRA_FLAGS}")
endif()
run_step("configure consumer with find_package" ${CMAKE_COMMAND} ${configure_args})

# The package must have been found in the fresh prefix, not anywhere else.
file(STRINGS ${cmake_build}/CMakeCache.txt zkcp_dir_line REGEX "^zkcp_DIR:")
string(REGEX REPLACE "^zkcp_DIR:[A-Z]+=" "" zkcp_dir "${zkcp_dir_line}")
file(REAL_PATH "${zkcp_dir}" zkcp_dir)
file(REAL_PATH "${prefix}" real_prefix)
string(FIND "${zkcp_dir}" "${real_prefix}/" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "consumer test: zkcp was found in '${zkcp_dir}', not under ${prefix}")
endif()

run_step("build consumer" ${CMAKE_COMMAND} --build ${cmake_build})
run_step("run consumer built with find_package" ${cmake_build}/zkcp_consumer)

# 2. pkg-config, once: c++ main.cpp $(pkg-config --cflags --libs zkcp).
find_program(PKG_CONFIG_EXECUTABLE NAMES pkg-config pkgconf)
if(NOT PKG_CONFIG_EXECUTABLE)
  message(FATAL_ERROR "consumer test: pkg-config is not installed")
endif()
# The fresh prefix is searched first, so it answers for zkcp; the system's
# folders stay searched for what zkcp.pc requires. The one call must give
# everything the program needs, Coin included.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${ZKCP_LIBDIR}/pkgconfig)
file(READ ${prefix}/${ZKCP_LIBDIR}/pkgconfig/zkcp.pc pc_text)
unset(ENV{PKG_CONFIG_LIBDIR})
execute_process(COMMAND ${PKG_CONFIG_EXECUTABLE} --cflags --libs zkcp
  RESULT_VARIABLE rc OUTPUT_VARIABLE pc_flags ERROR_VARIABLE err
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer test: pkg-config --cflags --libs zkcp failed\n${err}")
endif()
string(FIND " ${pc_flags}" " -I${prefix}/include" at_include)
string(FIND " ${pc_flags}" " -L${prefix}/${ZKCP_LIBDIR}" at_lib)
if(at_include EQUAL -1 OR at_lib EQUAL -1)
  message(FATAL_ERROR "consumer test: zkcp.pc does not point into ${prefix}: ${pc_flags}")
endif()
string(REGEX MATCH "\nVersion: [^\n]*" pc_version "\n${pc_text}")
string(REPLACE "\nVersion: " "" pc_version "${pc_version}")
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${ZKCP_EXTRA_FLAGS}")
run_step("compile consumer with pkg-config flags"
  ${ZKCP_CXX} -std=c++17 ${extra_flags} ${ZKCP_CONSUMER_SOURCE}/main.cpp -o ${pc_program} ${pc_flags})
set(ENV{LD_LIBRARY_PATH} "${prefix}/${ZKCP_LIBDIR}")
run_step("run consumer built with pkg-config" ${pc_program})

# 3. The installed programs, run from a folder outside the prefix with no
# library path set: they find the library and their shared files from
# where they lie.
if(NOT ZKCP_TOOLS)
  return()
endif()
unset(ENV{LD_LIBRARY_PATH})
file(MAKE_DIRECTORY ${elsewhere})
set(bin ${prefix}/${ZKCP_BINDIR})
set(share ${prefix}/${ZKCP_DATADIR}/zkcp)

function(run_tool what out_var)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${elsewhere}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "consumer test: ${what} failed (${rc})\n${out}\n${err}")
  endif()
  message(STATUS "consumer test: ${what}: ok")
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# The version the programs print is the one of both package descriptions.
include(${prefix}/${ZKCP_LIBDIR}/cmake/zkcp/zkcpConfigVersion.cmake)
if(NOT pc_version STREQUAL PACKAGE_VERSION)
  message(FATAL_ERROR "consumer test: zkcp.pc says version '${pc_version}', the CMake package '${PACKAGE_VERSION}'")
endif()
foreach(tool IN LISTS ZKCP_TOOLS)
  run_tool("${tool} --version" said ${bin}/${tool} --version)
  if(NOT said STREQUAL "${tool} ${PACKAGE_VERSION}\n")
    message(FATAL_ERROR "consumer test: ${tool} --version says '${said}', not '${tool} ${PACKAGE_VERSION}'")
  endif()
endforeach()
if(NOT "zkcp-export" IN_LIST ZKCP_TOOLS)
  return()
endif()

# X_ITE comes from the prefix, never from the tree the program was built in.
run_tool("zkcp-export --help" help ${bin}/zkcp-export --help)
string(FIND "${help}" "${real_prefix}/${ZKCP_DATADIR}/zkcp/x_ite" at)
if(at EQUAL -1)
  message(FATAL_ERROR "consumer test: zkcp-export takes X_ITE from outside ${real_prefix}:\n${help}")
endif()

# The installed sample world, in each format, written into the current folder.
set(written_vrml97 world/world.wrl world/doors.wrl geometry/door.wrl)
set(written_native world/world.arl geometry/door.wrl)
set(written_x3d index.html world.x3d x_ite/x_ite.min.js x_ite/x_ite.css x_ite/LICENSE.md)
foreach(format vrml97 native x3d)
  run_tool("installed zkcp-export writes the sample world as ${format}" log
    ${bin}/zkcp-export ${share}/examples/world/world.json --steps 10 --modules ${share}/examples/behaviors
    --format ${format} --out ${format})
  foreach(f IN LISTS written_${format})
    if(NOT EXISTS ${elsewhere}/${format}/${f})
      message(FATAL_ERROR "consumer test: the ${format} export has no ${f}:\n${log}")
    endif()
  endforeach()
endforeach()

set(playwright ${ZKCP_SOURCE_DIR}/web/node_modules/playwright-core)
find_program(NODE node)
if(DEFINED ENV{ZKCP_CHROMIUM})
  set(chromium $ENV{ZKCP_CHROMIUM})
else()
  set(chromium /usr/bin/chromium)
endif()
if(NOT NODE OR NOT EXISTS ${chromium} OR NOT EXISTS ${playwright})
  message(STATUS "consumer test: node, chromium or playwright-core missing (make deps): "
    "browser check skipped")
  return()
endif()
run_step("the installed x3d page in headless chromium"
  ${NODE} ${ZKCP_SOURCE_DIR}/web/check.mjs --dir ${elsewhere}/x3d --world ${share}/examples/world/world.json)
