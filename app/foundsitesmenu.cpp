#include "app/foundsitesmenu.h"

#include "app/foundsites.h"
#include "app/listbox.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

FoundSitesMenu::FoundSitesMenu(ListBox *list, QMenu *menu, Actions actions)
    : QObject(list)
    , m_list(list)
    , m_viewport(list->viewport())
    , m_menu(menu)
    , m_actions(std::move(actions))
{
    QAction *address = menu->addAction(QStringLiteral("Apri l'indirizzo su browser"));
    address->setObjectName(QStringLiteral("ApriInd"));
    connect(address, &QAction::triggered, this, &FoundSitesMenu::openSelectedAddress);
    m_resultsPage = menu->addAction(FoundSites::resultsPageCaption(m_actions.engine()));
    m_resultsPage->setObjectName(QStringLiteral("ApriGoo"));
    connect(m_resultsPage, &QAction::triggered, this, &FoundSitesMenu::openSelectedResultsPage);
    m_viewport->installEventFilter(this);
}

bool FoundSitesMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_viewport)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) {
            // Only the left button selects.
            popup(mouse->button(), mouse->globalPosition().toPoint());
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu
               && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The keyboard's menu key acts as the right button, over the selected entry.
        const int index = selected();
        const QRect row = index < 0 ? QRect() : m_list->visualItemRect(m_list->item(index));
        popup(Qt::RightButton, m_list->viewport()->mapToGlobal(row.center()));
        return true;
    } else if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        openSelectedAddress();
    }
    return false;
}

int FoundSitesMenu::selected() const
{
    const QList<QListWidgetItem *> items = m_list->selectedItems();
    return items.isEmpty() ? -1 : m_list->row(items.constFirst());
}

void FoundSitesMenu::popup(Qt::MouseButton button, const QPoint &globalPosition)
{
    if (!FoundSites::offersPopup(button, selected()))
        return;
    m_resultsPage->setText(FoundSites::resultsPageCaption(m_actions.engine()));
    m_menu->popup(globalPosition);
}

void FoundSitesMenu::openSelectedAddress()
{
    const int index = selected();
    if (index >= 0)
        m_actions.open(FoundSites::entryAddress(m_list->item(index)->text()));
}

void FoundSitesMenu::openSelectedResultsPage()
{
    const int index = selected();
    if (index < 0)
        return;
    if (const std::optional<QString> address = m_actions.resultsPage(m_list->item(index)->text()))
        m_actions.open(*address);
}
