# What a Windows build of Tavro needs beside its programs, and the portable zip.
#
# tavro_windows_runtime(NAME FOLDER [TESTS]) makes a target NAME, built with everything, that
# copies the Qt and MinGW DLLs and the plugins into FOLDER, so programs there run in place
# (under Wine in the tests); TESTS adds what the test programs use on top (Qt Test, the
# offscreen platform).
#
# The install rules make the portable folder, and CPack packs it as a zip:
#   tavro.exe, Qt6Core/Gui/Widgets.dll, libstdc++-6.dll, libgcc_s_seh-1.dll,
#   libwinpthread-1.dll, platforms/qwindows.dll, styles/qwindowsvistastyle.dll,
#   imageformats/qico.dll, LICENSES/ and README.txt.

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)

# The MinGW runtime, where the compiler keeps it.
set(tavro_mingw_runtime)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(dll_path "${dll_path}" ABSOLUTE)
    if(NOT EXISTS "${dll_path}")
        message(FATAL_ERROR "The MinGW runtime ${dll} was not found (${CMAKE_CXX_COMPILER})")
    endif()
    list(APPEND tavro_mingw_runtime "${dll_path}")
endforeach()

# DLLs beside the program, and plugins by folder.
set(tavro_qt_dlls $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>)
set(tavro_plugins
    platforms $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
    styles $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
    # The program's icon is an .ico file.
    imageformats $<TARGET_FILE:Qt6::QICOPlugin>
)

function(tavro_windows_runtime name into)
    set(dlls ${tavro_qt_dlls} ${tavro_mingw_runtime})
    set(plugins ${tavro_plugins})
    if("TESTS" IN_LIST ARGN)
        find_package(Qt6 REQUIRED COMPONENTS Test)
        list(APPEND dlls $<TARGET_FILE:Qt6::Test>)
        list(APPEND plugins platforms $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>)
    endif()
    set(commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} ${into})
    while(plugins)
        list(POP_FRONT plugins folder file)
        list(APPEND commands
             COMMAND ${CMAKE_COMMAND} -E make_directory ${into}/${folder}
             COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${into}/${folder})
    endwhile()
    add_custom_target(${name} ALL ${commands} VERBATIM)
endfunction()

# ---- the portable folder and its zip ----

install(TARGETS tavro RUNTIME DESTINATION .)
install(FILES ${tavro_qt_dlls} DESTINATION .)
set(plugins ${tavro_plugins})
while(plugins)
    list(POP_FRONT plugins folder file)
    install(FILES ${file} DESTINATION ${folder})
endwhile()
install(FILES ${tavro_mingw_runtime} DESTINATION .)
# The compiler's copies carry their debugging symbols (tens of MB); the program needs none.
foreach(dll IN LISTS tavro_mingw_runtime)
    get_filename_component(name "${dll}" NAME)
    install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                                  \"\${CMAKE_INSTALL_PREFIX}/${name}\" COMMAND_ERROR_IS_FATAL ANY)")
endforeach()

# Qt is LGPL-3.0, which builds on the GPL-3.0; the MinGW runtime's notices go with its DLLs.
get_filename_component(tavro_qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
install(FILES ${tavro_qt_prefix}/LICENSES/LGPL-3.0-only.txt ${tavro_qt_prefix}/LICENSES/GPL-3.0-only.txt
        DESTINATION LICENSES)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright
        DESTINATION LICENSES RENAME GCC-runtime-libraries.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright
        DESTINATION LICENSES RENAME MinGW-w64-runtime.txt)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/README.txt.in
               ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tavro)
set(CPACK_PACKAGE_FILE_NAME Tavro-${PROJECT_VERSION}-windows-x64)
set(CPACK_STRIP_FILES ON)
include(CPack)
