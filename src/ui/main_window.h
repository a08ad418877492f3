#pragma once

#include <QMimeData>
#include <QWidget>
#include <optional>
#include <vector>

#include "ui/label_button_bar.h"

class QMenu;

// The main window: a small fixed panel with the saved texts above and the history below,
// label buttons on two black bars, and a credits line under the panel. It shows the two models
// and reports what the person does with signals; the commands live above it.
namespace tavro {

class HistoryModel;
class SavedTextModel;
class TextListView;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    MainWindow(HistoryModel& history, SavedTextModel& savedTexts);
    ~MainWindow() override;

    // ---- view operations ----
    // The selected line of each list: -1 when none.
    int selectedHistoryRow() const;
    int selectedSavedTextRow() const;
    void clearSavedTextSelection();

    // Makes the two saved-text commands (put on the clipboard, delete) available or not.
    void setSavedTextActionsEnabled(bool enabled);
    bool savedTextActionsEnabled() const;
    // Disables the two saved-text push buttons, `first` first, and leaves their captions as
    // they are until setSavedTextActionsEnabled draws them.
    void disableSavedTextButtons(LabelButton first);

    void showMarker(std::optional<LabelButton> button);
    bool isMarkerShown(LabelButton button) const;
    // Gives the keyboard focus to the "OK" button (nothing happens while the window is hidden).
    void focusOkButton();

    // Shows the window (also from minimised), brings it to the front and focuses "OK".
    void showAndFocus();
    // Places the window in the middle of the screen with the size it has now.
    void centreOnScreen();
    // The size the window works at once started (it is built larger).
    void takeStartedSize();

  signals:
    void labelButtonClicked(tavro::LabelButton button);
    void historyEntryDoubleClicked();
    void textDroppedOnHistory(const QMimeData* data);
    void savedTextListClicked();
    void savedTextListFocused();
    void savedTextListKeyPressed();
    void creditsClicked();
    // The two lists' menus.
    void saveEntryChosen();
    void deleteEntryChosen();
    void recallTextChosen();
    void deleteTextChosen();
    // The window is being closed (its close button, or the program told it to close).
    void closing();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void buildListMenus();
    void connectViews(HistoryModel& history, SavedTextModel& savedTexts);
    // The pointer over a bar, the panel or a list while the window is active disarms every
    // label button.
    void disarmIfActive();

    LabelButtonBar* buttons_ = nullptr;
    // The bars and the panel: the pointer over them disarms the label buttons.
    std::vector<QWidget*> disarmingAreas_;
    // The headers and the credits' shadow, which have no pointer handling of their own.
    std::vector<QWidget*> mutedLabels_;
    QWidget* creditsLabel_ = nullptr;
    TextListView* historyList_ = nullptr;
    TextListView* savedTextList_ = nullptr;
    QMenu* historyMenu_ = nullptr;
    QMenu* savedTextMenu_ = nullptr;
};

}  // namespace tavro
