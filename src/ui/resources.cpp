#include "ui/resources.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// Q_INIT_RESOURCE declares a function of its own, which must lie outside any namespace.
static void registerCompiledResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tavro {

void initResources() {
    static const bool registered = [] {
        registerCompiledResources();
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon programIcon() {
    initResources();
    const QIcon file(QStringLiteral(":/tavro.ico"));
    QIcon icon;
    for (const QSize& size : file.availableSizes()) {
        const QImage image = file.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QFont pGothicFont(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic")});
    font.setPointSizeF(points);
    return font;
}

}  // namespace tavro
