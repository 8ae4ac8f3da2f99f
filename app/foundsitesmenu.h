#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class ListBox;
class QAction;
class QMenu;

// The found-sites list's popup menu: the right button or the keyboard's menu
// key over the selected entry opens it, a double click opens the entry's
// address in the user's browser.
class FoundSitesMenu : public QObject
{
    Q_OBJECT
public:
    struct Actions
    {
        std::function<QString()> engine;                                      // the engine's name
        std::function<void(const QString &address)> open;                     // in the user's browser
        std::function<std::optional<QString>(const QString &entry)> resultsPage;   // the page an entry stood on
    };

    // Adds its items to `menu`, which stays out of the menu bar.
    FoundSitesMenu(ListBox *list, QMenu *menu, Actions actions);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int selected() const;
    void popup(Qt::MouseButton button, const QPoint &globalPosition);
    void openSelectedAddress();
    void openSelectedResultsPage();

    ListBox *m_list;
    QObject *m_viewport;   // compared only: it may be going away with the list
    QMenu *m_menu;
    QAction *m_resultsPage;
    Actions m_actions;
};
