# cmake -DFILES=a|b|c -P CheckDataFiles.cmake: each file must exist and fit a
# block's signed 32-bit length.
string(REPLACE "|" ";" files "${FILES}")
foreach(path IN LISTS files)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "data file ${path} does not exist")
    endif()
    file(SIZE "${path}" size)
    if(size GREATER 2147483647)
        message(FATAL_ERROR "data file ${path} holds ${size} bytes; a block holds at most 2147483647")
    endif()
endforeach()
