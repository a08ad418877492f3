#pragma once

#include "core/file_access.h"

// The way writeNewFile takes on Linux when the system or file system can't make an unnamed
// file (O_TMPFILE): exposed so that tests reach it on file systems that can.
namespace tavro {

// Like writeNewFile, through a hidden temporary file (".tavro-<random>.tmp") that a rename
// refusing to replace (or a hard link) gives the final name. Only a killed process leaves
// that temporary file behind; the saved-text listing never takes it.
NewFileResult writeNewFileViaTemporaryName(const QString& folder, const QString& name,
                                           QByteArrayView bytes);

}  // namespace tavro
