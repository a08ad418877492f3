# Tests only the Windows build has: Qt's windows platform and the real tavro.exe, each on a
# private X desktop under Wine. Included by tests/CMakeLists.txt, so all the Windows build's
# tests are in one test file that the Linux build's test run can include.
tavro_windows_runtime(windows_test_runtime ${CMAKE_CURRENT_BINARY_DIR} TESTS)

# The Windows clipboard through Qt's windows platform (not offscreen).
add_executable(windows_platform_tests
    widget/widget_test_main.cpp
    windows/test_windows_clipboard.cpp
    windows/test_windows_local_time.cpp
)
target_link_libraries(windows_platform_tests PRIVATE tavro_app Qt6::Test GTest::gtest)
add_test(NAME windows.platform.clipboard
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/run_on_desktop.sh ${CMAKE_BINARY_DIR}/wineprefix
            $<TARGET_FILE:windows_platform_tests> -platform windows)

# Starts a program as it is typed in cmd.exe, and shows the console's text.
add_executable(console_runner windows/console_runner.cpp)
target_link_libraries(console_runner PRIVATE tavro_options)
target_link_options(console_runner PRIVATE -municode)

# End to end: the portable zip (scripts/build-windows.sh packs it) unpacked and driven under
# Wine on Xvfb with openbox, trayer, xclip and xdotool.
add_test(NAME windows.e2e.portable_program
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/test_portable_program.sh ${CMAKE_BINARY_DIR}/wineprefix
            ${CMAKE_BINARY_DIR}/Tavro-${PROJECT_VERSION}-windows-x64.zip $<TARGET_FILE:console_runner>)

# Both end the prefix's Wine session and start one on a display of their own.
set_tests_properties(windows.platform.clipboard windows.e2e.portable_program
    PROPERTIES LABELS windows TIMEOUT 300 RUN_SERIAL TRUE)
