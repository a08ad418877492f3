#pragma once

#include <QString>

namespace tavro {

// The folder that holds the program file, as a path every file operation of the program can
// use, whatever the folder's name holds. Empty when it can't be named at all; callers then
// use another folder, never the current one or the root.
QString programFolderPath();

}  // namespace tavro
