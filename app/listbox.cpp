#include "app/listbox.h"

#include "app/horizontalextent.h"
#include "store/listorder.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Items all share one size, for speed with long lists; each is drawn as wide
// as the list's extent so that no entry is cut at the first entry's width.
class FullWidthDelegate : public QStyledItemDelegate
{
public:
    explicit FullWidthDelegate(ListBox *list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem wide = option;
        wide.rect.setWidth(std::max({option.rect.width(), m_list->horizontalExtent(),
                                     m_list->viewport()->width()}));
        QStyledItemDelegate::paint(painter, wide, index);
    }

private:
    ListBox *m_list;
};

} // namespace

ListBox::ListBox(bool sorted, QWidget *parent)
    : QListWidget(parent)
    , m_sorted(sorted)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setUniformItemSizes(true);
    setItemDelegate(new FullWidthDelegate(this));
}

namespace {

class EntryView
{
public:
    explicit EntryView(const QListWidget *list) : m_list(list) {}
    qsizetype size() const { return m_list->count(); }
    QString at(qsizetype i) const { return m_list->item(int(i))->text(); }

private:
    const QListWidget *m_list;
};

} // namespace

void ListBox::addEntry(const QString &text)
{
    if (m_sorted)
        insertItem(int(ListOrder::insertPosition(EntryView(this), text)), text);
    else
        addItem(text);
    // Only appends and clears happen between full updates, so the widest so
    // far stays the widest of all.
    setHorizontalExtent(std::max(m_extent, HorizontalExtent::ofEntry(entryWidth(text))));
}

void ListBox::addSortedEntries(const QStringList &entries)
{
    addItems(entries);
    updateHorizontalExtent();
}

void ListBox::clearEntries()
{
    clear();
    setHorizontalExtent(0);
}

QStringList ListBox::entries() const
{
    QStringList texts;
    texts.reserve(count());
    for (int i = 0; i < count(); ++i)
        texts.append(item(i)->text());
    return texts;
}

double ListBox::entryWidth(const QString &text) const
{
    const QFontMetricsF metrics(font());
    if (!m_advancesValid) {
        m_advances.fill(-1);
        m_advancesValid = true;
    }
    // Text of Latin letters is laid out letter by letter; anything else
    // (other scripts, combining marks) is measured whole.
    qreal width = 0;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= kCachedCharacters || c.category() == QChar::Mark_NonSpacing)
            return metrics.horizontalAdvance(text);
        qreal &advance = m_advances[code];
        if (advance < 0)
            advance = metrics.horizontalAdvance(c);
        width += advance;
    }
    return width;
}

void ListBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_advancesValid = false;
    QListWidget::changeEvent(event);
}

void ListBox::updateHorizontalExtent()
{
    setHorizontalExtent(HorizontalExtent::ofEntries(entries(), [this](const QString &text) {
        return entryWidth(text);
    }));
}

void ListBox::setHorizontalExtent(int pixels)
{
    if (m_extent == pixels)
        return;
    m_extent = pixels;
    updateGeometries();
}

void ListBox::updateGeometries()
{
    // The view sizes its scroll bars, and decides whether the horizontal one
    // shows, from its contents size, whose width it takes from the first
    // item alone. Setting a range of our own after it made the two disagree
    // within a few pixels of the viewport's width: the bar was hidden and
    // shown in turn, each change asking for another layout, for ever. So the
    // contents are as wide as the extent, and the view alone sets the range.
    resizeContents(m_extent, contentsSize().height());
    QListWidget::updateGeometries();
}
