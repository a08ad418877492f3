#pragma once

#include <QString>
#include <functional>

class QWidget;

// The program's message box: the title "Tavro!", no icon and one OK button.
namespace tavro {

// Shows `text` modally and returns when the user dismisses it; the event loop runs meanwhile.
void showMessage(QWidget* parent, const QString& text);

// Tests replace the message box with a function that records the text (a person would
// click OK). Pass an empty function to restore the real box.
using MessageSink = std::function<void(const QString&)>;
void setMessageSink(MessageSink sink);

}  // namespace tavro
