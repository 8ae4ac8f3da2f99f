#pragma once

#include <QAbstractScrollArea>
#include <QEvent>
#include <QList>
#include <QTest>

// Counts the events of the given types that reach the objects it filters.
class EventCounter : public QObject
{
public:
    explicit EventCounter(QList<QEvent::Type> types) : m_types(std::move(types)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_count += m_types.contains(event->type()) ? 1 : 0;
        return false;
    }
    int count() const { return m_count; }

private:
    QList<QEvent::Type> m_types;
    int m_count = 0;
};

// The layout requests and resizes that reach a scroll area and its viewport
// in 200 ms of an idle event loop, once whatever was pending has run: none,
// for an area whose scroll bars have settled.
inline int layoutEventsWhenIdle(QAbstractScrollArea *area)
{
    QTest::qWait(50);
    EventCounter counter({QEvent::LayoutRequest, QEvent::Resize});
    area->installEventFilter(&counter);
    area->viewport()->installEventFilter(&counter);
    QTest::qWait(200);
    area->removeEventFilter(&counter);
    area->viewport()->removeEventFilter(&counter);
    return counter.count();
}
