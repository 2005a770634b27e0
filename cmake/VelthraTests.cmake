# Test registration shared by both trees.
#
#   velthra_test(NAME source... [LIBS lib...] [WINE])
#
# Natively the program links GoogleTest from the system. In the Windows tree
# GoogleTest is built from Debian's source package and every test runs under
# Wine through CMAKE_CROSSCOMPILING_EMULATOR; Windows tests share one prefix
# and one display per run, so they hold the "wine" lock and run one at a time.
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(VELTHRA_GTEST gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VELTHRA_GTEST GTest::gtest GTest::gtest_main)
endif()

function(velthra_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "LIBS;SOURCES" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${VELTHRA_GTEST})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine)
  endif()
endfunction()
