#include "ui/resources.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtGlobal>

void tavroInitResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}

QIcon tavroProgramIcon() {
    tavroInitResources();
    const QIcon file(QStringLiteral(":/tavro.ico"));
    QIcon icon;
    for (const QSize& size : file.availableSizes()) {
        const QImage image = file.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QFont tavroPGothicFont(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic")});
    font.setPointSizeF(points);
    return font;
}
