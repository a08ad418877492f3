#pragma once

#include <QObject>
#include <array>
#include <optional>

class QLabel;
class QPushButton;
class QWidget;

// The buttons a person sees on the main window are label buttons: a face, a caption on it and
// a focus marker (a white frame around the face). Each belongs to a real push button that
// lies outside the visible area and only carries the keyboard focus. The marker of the button
// that has the focus is the only one shown, and it is each command's safety catch: a command
// run from its button acts only while its marker shows.
//
// Pointing at a label button (while the window is active) gives its push button the focus;
// pressing the left mouse button on it draws the face pressed; a click runs the command.
namespace tavro {

enum class LabelButton {
    Ok,            // hide the main window
    SaveEntry,     // save the selected history entry as a saved text
    RecallText,    // put the selected saved text on the clipboard
    DeleteText,    // delete the selected saved text
    ClearHistory,  // clear the history
};
inline constexpr std::array<LabelButton, 5> kLabelButtons{
    LabelButton::Ok, LabelButton::SaveEntry, LabelButton::RecallText, LabelButton::DeleteText,
    LabelButton::ClearHistory};

class LabelButtonBar : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        QLabel* caption = nullptr;
        QLabel* face = nullptr;
        QLabel* marker = nullptr;
        QPushButton* command = nullptr;
    };
    // `window` is asked whether it is the active window; `focusPark` takes the focus away
    // from every command button.
    LabelButtonBar(QWidget* window, const std::array<Parts, 5>& parts, QPushButton* focusPark);

    // Shows the marker of `button` and hides the others; nothing hides them all.
    void showMarker(std::optional<LabelButton> button);
    bool isMarkerShown(LabelButton button) const;
    // Whether the face of `button` is drawn pressed.
    bool isPressed(LabelButton button) const;

    // Makes `button` available or not: its push button is enabled, its caption white, or the
    // push button disabled and the caption silver.
    void setAvailable(LabelButton button, bool available);
    bool isAvailable(LabelButton button) const;
    // Enables or disables the push button of `button` alone; its caption keeps its colour.
    void setCommandEnabled(LabelButton button, bool enabled);

    // Gives the keyboard focus to the push button of `button` (nothing while it is hidden).
    void focus(LabelButton button);
    // Hides every marker and parks the focus on the button that does nothing.
    void disarm();

  signals:
    // The push button was clicked (from the keyboard), or a click on the label button passed:
    // on the face only while its marker shows, and for a button that is available.
    void clicked(LabelButton button);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const Parts& parts(LabelButton button) const;
    // The label button whose caption or face `watched` is; onFace tells which.
    std::optional<LabelButton> labelButtonOf(QObject* watched, bool* onFace) const;
    bool commandButtonEvent(LabelButton button, QEvent* event);
    void pointedAt(LabelButton button);
    void pressed(LabelButton button, int mouseButton);
    void released(LabelButton button, int mouseButton);
    void labelClicked(LabelButton button, bool onFace);

    QWidget* window_;
    std::array<Parts, 5> parts_;
    QPushButton* focusPark_;
    // The label button the left mouse button went down on, for the click on its release.
    std::optional<LabelButton> pressedButton_;
};

}  // namespace tavro
