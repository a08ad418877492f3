# The misbehaving clipboard owner of the X11 tests and benchmarks; included by both.
if(NOT TARGET bad_clipboard_owner)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(XCB_OWNER REQUIRED IMPORTED_TARGET xcb)
    add_executable(bad_clipboard_owner ${CMAKE_CURRENT_LIST_DIR}/bad_clipboard_owner.cpp)
    target_link_libraries(bad_clipboard_owner PRIVATE tavro_options PkgConfig::XCB_OWNER)
endif()
