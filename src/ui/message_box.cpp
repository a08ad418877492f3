#include "ui/message_box.h"

#include <QMessageBox>

#include "core/messages.h"

namespace tavro {

namespace {
MessageSink& messageSink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void setMessageSink(MessageSink sink) {
    messageSink() = std::move(sink);
}

void showMessage(QWidget* parent, const QString& text) {
    if (messageSink()) {
        messageSink()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace tavro
