#pragma once

#include <QString>

// Where the saved texts live: the folder Temptext beside the program, or, where that can't be
// (an installed program, a folder that can't be written or named, a file in the way), the
// user's own data folder.
namespace tavro {

struct SavedTextFolder {
    QString path;
    bool created = false;  // made just now, so it holds nothing yet
};

// The folder for a program in `programFolder` (empty when the program's folder can't be
// named), made when missing. Its path is empty when there is no folder to be had (no user
// folder either): the texts then can't be kept anywhere.
SavedTextFolder chooseSavedTextFolder(const QString& programFolder);

}  // namespace tavro
