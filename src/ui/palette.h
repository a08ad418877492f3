#pragma once

#include <QColor>

// The colours of the main window.
namespace tavro {

enum class Colour { None, Black, White, Khaki, Olive, Blue, GreyBrown, Orange, Silver };

inline QColor colourOf(Colour colour) {
    switch (colour) {
        case Colour::Black:
            return QColor(0, 0, 0);
        case Colour::White:
            return QColor(255, 255, 255);
        case Colour::Khaki:
            return QColor(220, 222, 194);
        case Colour::Olive:
            return QColor(115, 114, 70);
        case Colour::Blue:
            return QColor(71, 108, 158);
        case Colour::GreyBrown:
            return QColor(131, 124, 114);
        case Colour::Orange:
            return QColor(220, 128, 3);
        case Colour::Silver:  // the caption of a label button that is not available
            return QColor(192, 192, 192);
        case Colour::None:
            break;
    }
    return QColor();
}

}  // namespace tavro
