# Build-time data: the host tools that make and check the payload archive,
# and the object that puts the three data files into the program image.
include(ExternalProject)

# Host tools run on the build machine, so they are a project of their own,
# built with the host's compiler whatever the target is.
set(MORVENA_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
set(MORVENA_MAKE_PAYLOAD ${MORVENA_HOST_TOOLS_DIR}/make_payload${CMAKE_HOST_EXECUTABLE_SUFFIX})
set(MORVENA_CHECK_PAYLOAD ${MORVENA_HOST_TOOLS_DIR}/check_payload${CMAKE_HOST_EXECUTABLE_SUFFIX})
set(MORVENA_HOST_TESTS ${MORVENA_HOST_TOOLS_DIR}/host_tool_tests${CMAKE_HOST_EXECUTABLE_SUFFIX})
ExternalProject_Add(host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/host
    BINARY_DIR ${MORVENA_HOST_TOOLS_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DMORVENA_GTEST_SOURCE_DIR=${MORVENA_GTEST_SOURCE_DIR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${MORVENA_MAKE_PAYLOAD} ${MORVENA_CHECK_PAYLOAD} ${MORVENA_HOST_TESTS}
    USES_TERMINAL_BUILD OFF)

# A data file must exist and fit a block's signed 32-bit length; say which
# one does not, at configure time and again when the build uses it.
function(morvena_require_data_file path what)
    if(NOT EXISTS ${path})
        message(FATAL_ERROR "${what}: ${path} does not exist")
    endif()
    file(SIZE ${path} size)
    if(size GREATER 2147483647)
        message(FATAL_ERROR "${what}: ${path} holds ${size} bytes; a block holds at most 2147483647")
    endif()
endfunction()

# morvena_embedded_data(NAME [UNCHECKED] PAYLOAD zip SHORTCUT lnk PICTURE jpg [DEPENDS ...])
# An object library that holds PayloadArchive and ShortcutTemplate as blocks
# and BackgroundPicture as length + bytes, in read-only data. The payload is
# checked against the installer's rules before it is embedded; only test
# copies of the installer around a deliberately broken archive say UNCHECKED.
function(morvena_embedded_data name)
    cmake_parse_arguments(D "UNCHECKED" "PAYLOAD;SHORTCUT;PICTURE" "DEPENDS" ${ARGN})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set(checked ${out}/payload.checked)
    if(D_UNCHECKED)
        set(check_payload_command ${CMAKE_COMMAND} -E true)
    else()
        set(check_payload_command ${MORVENA_CHECK_PAYLOAD} ${D_PAYLOAD})
    endif()
    add_custom_command(OUTPUT ${checked}
        COMMAND ${CMAKE_COMMAND} -DFILES=${D_PAYLOAD}|${D_SHORTCUT}|${D_PICTURE}
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckDataFiles.cmake
        COMMAND ${check_payload_command}
        COMMAND ${CMAKE_COMMAND} -E touch ${checked}
        DEPENDS ${D_PAYLOAD} ${D_SHORTCUT} ${D_PICTURE} ${MORVENA_CHECK_PAYLOAD} host_tools ${D_DEPENDS}
        COMMENT "Checking the payload archive ${D_PAYLOAD}"
        VERBATIM)
    set(PAYLOAD ${D_PAYLOAD})
    set(SHORTCUT ${D_SHORTCUT})
    set(PICTURE ${D_PICTURE})
    configure_file(${PROJECT_SOURCE_DIR}/data/embedded_data.S.in ${out}/embedded_data.S @ONLY)
    set_source_files_properties(${out}/embedded_data.S PROPERTIES
        OBJECT_DEPENDS "${D_PAYLOAD};${D_SHORTCUT};${D_PICTURE};${checked}")
    add_library(${name} OBJECT ${out}/embedded_data.S)
endfunction()
