#include <QCoreApplication>

#include "platform/program_folder.h"

namespace tavro {

// Windows names files in UTF-16, which a QString carries whole: Qt's own answer names every
// folder.
QString programFolderPath() {
    return QCoreApplication::applicationDirPath();
}

}  // namespace tavro
