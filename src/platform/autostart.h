#pragma once

#include <QString>

// Starting the program when the user logs in, the way the desktop offers it.
namespace tavro {

struct AutostartOutcome {
    bool done = false;
    QString message;  // what was done, or why it could not be, in a line for the user
};

// Makes the program start at login (`on`) or no longer. It only writes or removes the
// desktop's setting; the running program, if any, is left alone.
AutostartOutcome setStartAtLogin(bool on);

}  // namespace tavro
