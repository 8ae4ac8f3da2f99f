#pragma once

// A search run over a FakeBrowser, as the tests of the run and of the lists
// drive one: the local host, short pauses, and pages of the classic markup.

#include "search/searchrun.h"
#include "fakes.h"

#include <QDir>

// The run's options: the local host, a short pause between pages, the pages
// nobody can place kept in `folder`.
inline SearchRunOptions fakeRunOptions(const QString &folder)
{
    SearchRunOptions options;
    options.host = QStringLiteral("h");
    options.pageInterval = 5;
    options.unreadPages = QDir(folder).filePath(QStringLiteral("Pagine non lette"));
    return options;
}

// Ten results of the classic markup from the `first`; `hit` puts velmora there.
inline QString classicPage(int first, int hit = 0)
{
    QString page = QStringLiteral("<html><body>");
    for (int i = first; i < first + 10; ++i) {
        const QString address = i == hit ? QStringLiteral("http://www.velmora.it/%1").arg(i)
                                         : QStringLiteral("http://www.sito%1.it/").arg(i);
        page += QStringLiteral("<h3 class=r><a href=\"%1\">Risultato</a></h3>").arg(address);
    }
    return page + QStringLiteral("</body></html>");
}

// What a page that asks the user is, or one nobody can place.
inline PageLinks shaped(bool consent, const QString &phrase = QStringLiteral("bimby"))
{
    PageLinks links;
    links.address = QStringLiteral("http://h/search?q=") + phrase;
    if (consent)
        links.shape.otherForms = {QStringLiteral("http://consent.h/save")};
    return links;
}
