# Test programs: GoogleTest built for the target from the machine's sources,
# run by CTest under Wine (through the cross-compiling emulator) or natively
# on Windows.
include(GoogleTest)

if(NOT TARGET GTest::gtest_main)
    if(EXISTS ${MORVENA_GTEST_SOURCE_DIR}/CMakeLists.txt)
        # GoogleTest is not ours: build it without our warning flags.
        get_directory_property(_morvena_options COMPILE_OPTIONS)
        set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        add_subdirectory(${MORVENA_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_morvena_options}")
    else()
        find_package(GTest REQUIRED)
    endif()
endif()

# morvena_add_test(NAME SOURCES ... [LIBS ...] [PROPERTIES ...])
# A GoogleTest program whose tests CTest lists one by one.
function(morvena_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE GTest::gtest_main morvena_test_support ${T_LIBS})
    # Named "<program>.<suite>.<test>", so "ctest -R ^app_" picks an area.
    gtest_discover_tests(${name}
        TEST_PREFIX ${name}.
        NO_PRETTY_VALUES
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES ${T_PROPERTIES})
endfunction()
