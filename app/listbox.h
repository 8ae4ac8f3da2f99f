#pragma once

#include <QListWidget>

#include <array>

// A list box as the program's lists use it: optionally sorted without regard
// to case, with a horizontal scroll extent that the program sets, so that the
// widest entry can be scrolled fully into view.
class ListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit ListBox(bool sorted, QWidget *parent = nullptr);

    // Adds an entry (in its sorted place for a sorted list) and keeps the
    // extent up to date for it.
    void addEntry(const QString &text);
    // Adds many entries that are already in order; one update of the extent.
    void addSortedEntries(const QStringList &entries);
    void clearEntries();

    QStringList entries() const;
    double entryWidth(const QString &text) const;

    int horizontalExtent() const { return m_extent; }
    // The extent recomputed from every entry.
    void updateHorizontalExtent();

protected:
    void updateGeometries() override;
    void changeEvent(QEvent *event) override;

private:
    void setHorizontalExtent(int pixels);

    // Advances of the Latin letters in the list's font, measured once each:
    // measuring whole lines one by one is what makes long logs slow.
    static constexpr int kCachedCharacters = 0x250;
    mutable std::array<qreal, kCachedCharacters> m_advances;
    mutable bool m_advancesValid = false;

    bool m_sorted;
    int m_extent = 0;
};
