#pragma once

#include <QPointer>
#include <QRect>
#include <QString>

class Browser;
class QLabel;
class QWidget;

// The browser area brought over the lists, with a one-line note above it,
// while a page asks the user something or could not be read; and put back
// under the lists, where it was, afterwards.
class PageInFront
{
public:
    // `area` lies in `client` behind the lists; `bottom` is where the
    // controls begin.
    PageInFront(QWidget *client, QWidget *area, Browser *page);

    void show(const QString &note);
    void putBack();
    bool shown() const;
    // Over the upper area, where the lists lie, down to `bottom`.
    void place(int bottom);
    int bottom() const { return m_bottom; }
    void setBottom(int bottom) { m_bottom = bottom; }

private:
    QWidget *m_client;
    QWidget *m_area;
    Browser *m_page;
    QLabel *m_note = nullptr;       // made when a page first comes to the front
    QRect m_areaGeometry;           // the area's place behind the lists
    QPointer<QWidget> m_above;      // the sibling it goes back under
    int m_bottom = 0;
};
