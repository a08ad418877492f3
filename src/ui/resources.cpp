#include "ui/resources.h"

#include <QtGlobal>

void tavroInitResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(registered);
}
