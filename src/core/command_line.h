#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line. The program has a few options of its
// own, all long ("--"); Qt's options (one dash, such as -platform) are left to Qt.
namespace tavro {

struct CommandLine {
    enum class Action {
        Run,           // start as usual
        Help,          // print the usage and end
        AutostartOn,   // start at login from now on
        AutostartOff,  // no longer start at login
        Invalid,       // print what is wrong and the usage, end with a failure
    };
    Action action = Action::Run;
    QString problem;  // for Invalid: what was wrong, in a line
};

// Reads the arguments after the program's name.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage line, without a trailing newline.
QString usageLine();

// The exit status of a command line that could not be understood.
constexpr int kUsageExitCode = 2;

}  // namespace tavro
