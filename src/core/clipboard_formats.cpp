#include "core/clipboard_formats.h"

namespace tavro {

int clipboardFormatMask(const QStringList& mimeTypes) {
    int mask = 0;
    bool image = false;
    bool richText = false;
    bool text = false;
    for (const QString& type : mimeTypes) {
        if (type == QLatin1String("text/plain") || type.startsWith(QLatin1String("text/plain;"))) {
            text = true;
        } else if (type.startsWith(QLatin1String("image/")) ||
                   type == QLatin1String("application/x-qt-image")) {
            image = true;
        } else if (type == QLatin1String("text/rtf") || type == QLatin1String("text/richtext") ||
                   type == QLatin1String("application/rtf")) {
            richText = true;
        }
    }
    if (text) {
        mask |= kFormatText;
    }
    if (image) {
        mask |= kFormatBitmap | kFormatDeviceIndependentBitmap;
    }
    if (richText) {
        mask |= kFormatRichText;
    }
    return mask;
}

}  // namespace tavro
