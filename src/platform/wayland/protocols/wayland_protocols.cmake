# The client glue of the data-control protocols, generated from the XML files beside this
# one with wayland-scanner: the library tavro_wayland_protocols, which brings its headers and
# libwayland-client to whatever links it.
enable_language(C)
pkg_check_modules(TAVRO_WAYLAND REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(wayland_scanner_default wayland-scanner wayland_scanner)
find_program(WAYLAND_SCANNER NAMES wayland-scanner HINTS ${wayland_scanner_default} REQUIRED)

set(protocol_dir ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
set(protocol_code "")
foreach(protocol ext-data-control-v1 wlr-data-control-unstable-v1)
    set(xml ${CMAKE_CURRENT_LIST_DIR}/${protocol}.xml)
    set(header ${protocol_dir}/${protocol}-client-protocol.h)
    set(code ${protocol_dir}/${protocol}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${protocol_dir}
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
        DEPENDS ${xml}
        COMMENT "Generating the Wayland glue of ${protocol}")
    list(APPEND protocol_code ${header} ${code})
endforeach()
# Generated C, built without the program's C++ warnings.
add_library(tavro_wayland_protocols OBJECT ${protocol_code})
target_include_directories(tavro_wayland_protocols PUBLIC ${protocol_dir})
target_link_libraries(tavro_wayland_protocols PUBLIC PkgConfig::TAVRO_WAYLAND)
