#pragma once

class QFont;
class QIcon;

namespace tavro {

// Registers the program's compiled-in resources (the icon). They live in a static library,
// whose automatic registration the linker may drop, so the program calls this once.
void initResources();

// The program's icon, every picture of it as a 32-bit image with its own transparency. The
// file's pictures are palette images; a tray icon made straight from them showed blank and
// took no clicks in Wine's notification area, while 32-bit pictures work everywhere.
QIcon programIcon();

// The Japanese P-Gothic face at the given size: the one Windows has ("ＭＳ Ｐゴシック"), else
// its metric match on Linux (IPAPGothic). The windows' default font.
QFont pGothicFont(double points);

}  // namespace tavro
