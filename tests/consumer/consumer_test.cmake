# Checks that an outside project can use an installed zkcp: installs the
# build tree into a prefix under the build directory, then builds and runs
# tests/consumer/main.cpp twice, once through find_package(zkcp) and once
# through pkg-config.
#
# Included from tests/CMakeLists.txt it registers the test; run with
# `cmake -P` (as the test does) it carries out the steps.

if(NOT CMAKE_SCRIPT_MODE_FILE)
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
      -DZKCP_GENERATOR=${CMAKE_GENERATOR}
      -DZKCP_CXX=${CMAKE_CXX_COMPILER}
      -DZKCP_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      "-DZKCP_EXTRA_FLAGS=${consumer_flags}"
      -P ${CMAKE_CURRENT_LIST_FILE})
  # It installs into and builds in its own directories; keep it away from
  # anything else that might touch them.
  set_tests_properties(consumer_builds_against_install PROPERTIES
    TIMEOUT 300
    RUN_SERIAL TRUE)
  return()
endif()

foreach(var ZKCP_BUILD_DIR ZKCP_WORK_DIR ZKCP_CONSUMER_SOURCE ZKCP_LIBDIR ZKCP_GENERATOR ZKCP_CXX)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "consumer test: ${var} is not set")
  endif()
endforeach()

set(prefix ${ZKCP_WORK_DIR}/consumer-inst)
set(cmake_build ${ZKCP_WORK_DIR}/consumer-build)
set(pc_program ${ZKCP_WORK_DIR}/consumer-pkgconfig)

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "consumer test: ${what} failed (${rc})\n${out}\n${err}")
  endif()
  message(STATUS "consumer test: ${what}: ok")
endfunction()

file(REMOVE_RECURSE ${prefix} ${cmake_build} ${pc_program})

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
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${ZKCP_EXTRA_FLAGS}")
run_step("compile consumer with pkg-config flags"
  ${ZKCP_CXX} -std=c++17 ${extra_flags} ${ZKCP_CONSUMER_SOURCE}/main.cpp -o ${pc_program} ${pc_flags})
set(ENV{LD_LIBRARY_PATH} "${prefix}/${ZKCP_LIBDIR}")
run_step("run consumer built with pkg-config" ${pc_program})
