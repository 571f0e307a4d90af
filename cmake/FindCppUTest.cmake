# Finds CppUTest and CppUTestExt through pkg-config. The Debian package's own
# CMake config computes a wrong include prefix (/usr/lib/include), so this module
# is used instead and defines the same imported target names.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PC_CPPUTEST QUIET cpputest)
endif()

find_path(CppUTest_INCLUDE_DIR CppUTest/TestHarness.h HINTS ${PC_CPPUTEST_INCLUDE_DIRS})
find_library(CppUTest_LIBRARY NAMES CppUTest HINTS ${PC_CPPUTEST_LIBRARY_DIRS})
find_library(CppUTestExt_LIBRARY NAMES CppUTestExt HINTS ${PC_CPPUTEST_LIBRARY_DIRS})

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(CppUTest REQUIRED_VARS CppUTest_LIBRARY CppUTestExt_LIBRARY CppUTest_INCLUDE_DIR)

if(CppUTest_FOUND AND NOT TARGET CppUTest)
  add_library(CppUTest STATIC IMPORTED)
  set_target_properties(CppUTest PROPERTIES IMPORTED_LOCATION ${CppUTest_LIBRARY}
                                            INTERFACE_INCLUDE_DIRECTORIES ${CppUTest_INCLUDE_DIR})
  add_library(CppUTestExt STATIC IMPORTED)
  set_target_properties(CppUTestExt PROPERTIES IMPORTED_LOCATION ${CppUTestExt_LIBRARY}
                                               INTERFACE_INCLUDE_DIRECTORIES ${CppUTest_INCLUDE_DIR}
                                               INTERFACE_LINK_LIBRARIES CppUTest)
endif()
