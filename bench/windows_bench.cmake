# The Windows build's benchmark: the clipboard monitor under Wine (bench/windows_clipboard.sh
# runs it). With TAVRO_BENCH_OLD_BUILD naming the Windows build folder of an older tree, the
# same program is also built against that tree's headers and libraries, for the figures
# before.
set(TAVRO_BENCH_OLD_BUILD "" CACHE PATH "The Windows build folder of an older tree to compare with")

tavro_windows_runtime(windows_bench_runtime ${CMAKE_CURRENT_BINARY_DIR})

add_executable(bench_windows_clipboard bench_windows_clipboard.cpp)
target_link_libraries(bench_windows_clipboard PRIVATE tavro_platform psapi)

if(TAVRO_BENCH_OLD_BUILD)
    file(STRINGS ${TAVRO_BENCH_OLD_BUILD}/CMakeCache.txt old_source
         REGEX "^CMAKE_HOME_DIRECTORY:INTERNAL=")
    string(REGEX REPLACE "^[^=]*=" "" old_source "${old_source}")
    # Its libraries, those above first.
    set(old_libraries)
    foreach(library tavro_window tavro_platform tavro_core)
        if(EXISTS ${TAVRO_BENCH_OLD_BUILD}/src/lib${library}.a)
            list(APPEND old_libraries ${TAVRO_BENCH_OLD_BUILD}/src/lib${library}.a)
        endif()
    endforeach()
    add_executable(bench_windows_clipboard_before bench_windows_clipboard.cpp)
    target_include_directories(bench_windows_clipboard_before PRIVATE ${old_source}/src)
    target_link_libraries(bench_windows_clipboard_before PRIVATE
        tavro_options ${old_libraries} Qt6::Widgets Qt6::Gui Qt6::Core psapi)
endif()
