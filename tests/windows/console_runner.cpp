// Starts a program as a person typing it in cmd.exe does, and shows what they would see:
// in a console of its own, the program given no standard handles (Windows gives a GUI program
// none). Prints the console's text, then "exit N" with the program's exit code.
// Usage: console_runner PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const HANDLE report = GetStdHandle(STD_OUTPUT_HANDLE);
    FreeConsole();
    if (argc < 2 || !AllocConsole()) {
        return 3;
    }
    std::wstring commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // all three null
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 3;
    }
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &exitCode)) {
        return 3;
    }
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    if (!GetConsoleScreenBufferInfo(console, &screen)) {
        return 3;
    }
    std::string shown;
    for (SHORT row = 0; row <= screen.dwCursorPosition.Y; ++row) {
        std::wstring line(size_t(screen.dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(console, line.data(), DWORD(line.size()), COORD{0, row}, &read);
        line.resize(read);
        line.erase(line.find_last_not_of(L' ') + 1);
        shown += utf8(line) + "\n";
    }
    shown += "exit " + std::to_string(exitCode) + "\n";
    DWORD written = 0;
    WriteFile(report, shown.data(), DWORD(shown.size()), &written, nullptr);
    return 0;
}
