#include "app/pageinfront.h"

#include "app/controls.h"
#include "platform/browser.h"

#include <QLabel>

PageInFront::PageInFront(QWidget *client, QWidget *area, Browser *page)
    : m_client(client)
    , m_area(area)
    , m_page(page)
{
}

bool PageInFront::shown() const
{
    return m_note && !m_note->isHidden();
}

void PageInFront::show(const QString &note)
{
    if (!m_note) {
        m_note = new QLabel(m_client);
        m_note->setObjectName(QStringLiteral("BrowserNote"));
        m_note->setWordWrap(true);
        makeReportPanel(m_note, kDarkRed);
        m_note->hide();
    }
    m_note->setText(note);
    if (shown()) {
        place(m_bottom);
        return;
    }
    m_areaGeometry = m_area->geometry();
    const QObjectList &siblings = m_client->children();
    const qsizetype index = siblings.indexOf(m_area);
    m_above = nullptr;
    for (qsizetype i = index + 1; i < siblings.size() && !m_above; ++i) {
        if (siblings[i]->isWidgetType() && siblings[i] != m_note)
            m_above = static_cast<QWidget *>(siblings[i]);
    }
    m_note->show();
    place(m_bottom);
    m_area->raise();
    m_note->raise();
    m_page->setInFront(true);
}

void PageInFront::place(int bottom)
{
    m_bottom = bottom;
    if (!shown())
        return;
    const QRect upper(0, 0, m_client->width(), bottom);
    const int noteHeight = m_note->heightForWidth(upper.width()) + 8;
    m_note->setGeometry(upper.left(), upper.top(), upper.width(), noteHeight);
    m_area->setGeometry(upper.adjusted(0, noteHeight, 0, 0));
}

void PageInFront::putBack()
{
    if (!shown())
        return;
    m_note->hide();
    m_area->setGeometry(m_areaGeometry);
    if (m_above)
        m_area->stackUnder(m_above);
    m_page->setInFront(false);
}
