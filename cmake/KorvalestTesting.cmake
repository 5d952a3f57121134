enable_testing()

if(CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest as source for other targets.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # GoogleTest 1.12 defines the GTest:: aliases itself.
else()
  find_package(GTest REQUIRED)
endif()
find_package(Threads REQUIRED)

# korvalest_test(<name> SOURCES <files...> LIBS <targets...>)
# One ctest entry per executable: under wine every process start costs seconds.
function(korvalest_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  korvalest_warnings(${name})
  korvalest_static_runtime(${name})
  add_test(NAME ${name} COMMAND ${name})
endfunction()
