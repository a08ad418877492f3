#pragma once

#include <QStringList>

// What the clipboard holds, as far as the history cares. Only plain text alone is taken;
// anything else (an image, rich text, an emptied clipboard) repeats the previous text.
namespace tavro {

enum ClipboardFormat : int {
    kFormatText = 1,
    kFormatBitmap = 2,
    kFormatDeviceIndependentBitmap = 4,
    kFormatRichText = 8,
};

// The mask of content whose formats could not be learned: a format question that failed
// counts as answered yes.
inline constexpr int kUnknownFormats =
    kFormatText | kFormatBitmap | kFormatDeviceIndependentBitmap | kFormatRichText;

// The format mask of a clipboard offering these MIME types. Any image type (or Qt's own
// in-process image) counts as both bitmap forms, as the system converts one into the other;
// HTML beside text is not rich text. The types alone decide: asking the clipboard whether it
// can give an image costs a round trip to the display server per image format.
int clipboardFormatMask(const QStringList& mimeTypes);

inline bool takesClipboardText(int mask) {
    return mask == kFormatText;
}

}  // namespace tavro
