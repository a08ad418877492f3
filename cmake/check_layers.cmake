# Fails when a file of src/ includes a header of a library above its own, so the libraries'
# dependencies point down only. Run as: cmake -DSOURCE_DIR=src -P check_layers.cmake
#
# Each folder of src/ is one library; a library may include its own headers and those of the
# libraries named beside it. main.cpp sits on top and may include any.
cmake_minimum_required(VERSION 3.21)
set(allowed_core core)
set(allowed_platform core platform)
set(allowed_ui core ui)
set(allowed_app core platform ui app)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(problems "")
set(edges 0)
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" folder ${source})
    if(folder STREQUAL source)
        continue()  # main.cpp
    endif()
    if(NOT DEFINED allowed_${folder})
        string(APPEND problems "\n  ${source}: its folder ${folder}/ is no known library")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[a-z0-9_]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([a-z0-9_]+)/.*" "\\1" target "${line}")
        math(EXPR edges "${edges} + 1")
        if(NOT target IN_LIST allowed_${folder})
            string(APPEND problems "\n  ${source} includes ${target}/ (${folder}/ may include: ${allowed_${folder}})")
        endif()
    endforeach()
endforeach()
if(problems)
    message(FATAL_ERROR "Includes that point up or sideways:${problems}")
endif()
message(STATUS "${edges} includes between folders, none pointing up")
