#pragma once

#include <QString>
#include <functional>

class QWidget;

// Small window-toolkit services shared by the whole program.
namespace tavro {

// The title of every message box and of the main window.
inline const QString kAppTitle = QStringLiteral("Tavro!");

// Shows a modal message with the title "Tavro!", no icon and one OK button; returns when
// the user dismisses it. The event loop runs meanwhile.
void showMessage(QWidget* parent, const QString& text);

// Tests replace the message box with a function that records the text (a person would
// click OK). Pass an empty function to restore the real box.
using MessageSink = std::function<void(const QString&)>;
void setMessageSink(MessageSink sink);

// Processes the events that are pending now, once.
void processPendingEvents();

}  // namespace tavro
