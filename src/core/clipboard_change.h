#pragma once

#include <QString>
#include <optional>

// One change of the system clipboard's content, as a clipboard monitor reports it.
namespace tavro {

struct ClipboardChange {
    enum class Kind {
        Content,    // a program put content on the clipboard (or Qt saw some change)
        Cleared,    // a program emptied the clipboard while it runs
        OwnerGone,  // the owner ended and its content went with it
        Secret,     // content a password manager marked as secret; never read
    };
    Kind kind = Kind::Content;
    // The formats offered (a mask of ClipboardFormat); only for Content.
    int formatMask = 0;
    // The plain text, read when plain text alone is offered; nothing when that read failed
    // (an owner that did not answer in time, a text too large to hold).
    std::optional<QString> text;
};

}  // namespace tavro
