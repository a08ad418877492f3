#pragma once

#include <windows.h>

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

#include "core/clipboard_change.h"

// The Windows clipboard through Win32 calls. Text is the one format CF_UNICODETEXT, taken and
// given as it is: up to its first NUL, with its line breaks (CR LF, lone LF, lone CR) untouched.
namespace tavro::win32 {

// How long a read or a write waits for another program to close the clipboard.
inline constexpr std::chrono::milliseconds kClipboardPatience{1000};

// A hidden window that only takes messages, for opening and listening to the clipboard. It
// belongs to the calling thread; null when it could not be made.
HWND createMessageWindow();

// Opens the clipboard for `window`. Another program often holds it open for a moment, so a
// failed open is tried again (at once at first, then every millisecond) for up to
// `patience`, unless `giveUp` says to stop waiting. True when the clipboard is open (the
// caller closes it).
bool openClipboard(HWND window, std::chrono::milliseconds patience,
                   const std::function<bool()>& giveUp = {});

// What the open clipboard holds, for the history: content marked secret is not read; the
// text is read only when plain text is the only format the history asks about.
ClipboardChange describeOpenClipboard();

// The text of a CF_UNICODETEXT block: up to its first NUL, or its end when it has none.
// Nothing when the block can't be read or the text can't be held.
std::optional<QString> textOfBlock(HGLOBAL block);

// The part of `text` that other programs read from the clipboard: up to the first NUL.
QString textUpToNul(const QString& text);

// Empties the open clipboard and puts `text` on it as CF_UNICODETEXT, in a block of its own
// that the system takes over. False when the text could not be put there.
bool putText(const QString& text);

}  // namespace tavro::win32
