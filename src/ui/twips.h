#pragma once

#include <QRect>
#include <QSize>

// Window geometry is laid out in twips; 15 twips make one logical pixel (96 DPI).
// Qt scales logical pixels on high-DPI screens, so this is the only conversion.
namespace tavro {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    // Round half away from zero, so 7 twips is 0 px and 8 twips is 1 px.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

inline QSize twipsSize(int width, int height) {
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

}  // namespace tavro
