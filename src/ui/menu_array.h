#pragma once

#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;

// A run of menu entries addressed by index, as the tray menu's history and saved-text
// entries are. Element 0 is built with the menu and always exists; load(i) creates element
// i right below element i-1, visible; unload removes it again. A click reports the index.
namespace tavro {

class MenuControlArray {
  public:
    using ClickHandler = std::function<void(int index)>;

    MenuControlArray(QMenu* menu, QAction* element0, ClickHandler onClick);

    int ubound() const { return static_cast<int>(elements_.size()) - 1; }
    QAction* element(int index) const;

    void load(int index);
    void unload(int index);
    // Unloads every element above 0, in ascending order.
    void unloadAboveZero();

    // The caption as the program set it. The menu shows it on one line and with '&' as
    // itself, since captions are clipboard texts.
    QString caption(int index) const;
    void setCaption(int index, const QString& caption);

    bool isVisible(int index) const;
    void setVisible(int index, bool visible);

  private:
    void connectClick(QAction* action);

    QMenu* menu_;
    std::vector<QAction*> elements_;
    ClickHandler onClick_;
};

// The text a menu shows for a caption: line breaks as a visible mark, '&' doubled so it is
// not taken as a mnemonic, tabs as spaces.
QString menuDisplayText(const QString& caption);

}  // namespace tavro
