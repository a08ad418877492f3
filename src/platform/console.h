#pragma once

// Where the program's answers to its command line (usage, start at login, errors) are printed.
namespace tavro {

// Makes the standard output and error reach the console the program was typed in, when it has
// one. On Windows a GUI program starts without a console: it attaches to its parent's (cmd.exe,
// PowerShell) and prints there, unless its output is redirected to a file or a pipe. Elsewhere
// the output is there already.
void useParentConsole();

}  // namespace tavro
