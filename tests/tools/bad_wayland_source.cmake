# The misbehaving Wayland clipboard source of the Wayland tests and benchmarks; included by both.
if(NOT TARGET bad_wayland_source)
    add_executable(bad_wayland_source ${CMAKE_CURRENT_LIST_DIR}/bad_wayland_source.cpp)
    target_link_libraries(bad_wayland_source PRIVATE tavro_options tavro_wayland_protocols)
endif()
