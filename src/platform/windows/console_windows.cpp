#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "platform/console.h"

namespace tavro {

namespace {

// Whether the program was given a file or a pipe for this output (`tavro --help > file`):
// that stays as it is.
bool redirected(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Makes `stream` (descriptor `fd`) write to the console the process is attached to.
void pointAtConsole(FILE* stream, [[maybe_unused]] int fd, DWORD which) {
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return;
    }
#ifdef _UCRT
    CloseHandle(console);
    std::freopen("CONOUT$", "w", stream);
#else
    // A GUI program's streams start without a descriptor, and msvcrt (Wine's, at least) won't
    // reopen a stream that has none: the descriptor gets the console, the stream the
    // descriptor.
    const int opened = _open_osfhandle(std::intptr_t(console), _O_TEXT);
    if (opened < 0) {
        CloseHandle(console);
        return;
    }
    if (opened != fd) {
        _dup2(opened, fd);
        _close(opened);
    }
    stream->_file = fd;
#endif
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}

}  // namespace

void useParentConsole() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    const bool outputRedirected = redirected(STD_OUTPUT_HANDLE);
    const bool errorRedirected = redirected(STD_ERROR_HANDLE);
    if (outputRedirected && errorRedirected) {
        return;
    }
    // Started from Explorer there is no console to attach to; a process that has one already
    // (Wine attaches a GUI program to its parent's) is refused with ERROR_ACCESS_DENIED.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
        return;
    }
    if (!outputRedirected) {
        pointAtConsole(stdout, 1, STD_OUTPUT_HANDLE);
    }
    if (!errorRedirected) {
        pointAtConsole(stderr, 2, STD_ERROR_HANDLE);
    }
}

}  // namespace tavro
