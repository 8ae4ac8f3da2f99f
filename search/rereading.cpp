#include "search/rereading.h"

#include "platform/browser.h"
#include "search/pagekind.h"
#include "search/queryaddress.h"
#include "search/resultlinks.h"
#include "search/scanner.h"
#include "store/pagecompression.h"

namespace {

std::optional<qint64> firstHit(const QList<ArchivedResult> &results, const QString &fragment)
{
    for (const ArchivedResult &result : results) {
        if (result.address.contains(fragment))
            return result.position;
    }
    return std::nullopt;
}

} // namespace

QString Rereading::Change::positionText(const std::optional<qint64> &position)
{
    return position ? QString::number(*position) : QStringLiteral("non trovato");
}

QString Rereading::Change::line() const
{
    return QStringLiteral("%1 %2: posizione %3 -> %4 (lettore %5 -> %6)")
        .arg(phrase, started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             unreadBefore && !before ? RunEnds::name(RunEnd::PageUnreadable) : positionText(before), positionText(after))
        .arg(readerBefore)
        .arg(readerAfter);
}

QString Rereading::Summary::line() const
{
    QString text = QStringLiteral("Pagine rilette: %1; ricerche cambiate: %2, uguali: %3; pagine non rilette: %4")
                       .arg(pages)
                       .arg(changed)
                       .arg(unchanged)
                       .arg(notRead.size());
    for (const QString &page : notRead)
        text += QStringLiteral("\n  ") + page;
    return text;
}

Rereading::Rereading(Browser *browser, const QString &archive, int reader, const QString &phrase)
    : m_browser(browser)
    , m_archive(archive, ArchiveUse::Writing)
    , m_reader(reader)
    , m_phrase(phrase)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kPageMilliseconds);
    connect(&m_timeout, &QTimer::timeout, this, [this] { pageNotRead(QStringLiteral("la pagina non si è completata")); });
    connect(browser, &Browser::documentComplete, this, &Rereading::pageRead);
}

std::optional<QString> Rereading::start()
{
    if (const Result<void> opened = m_archive.open(); !opened)
        return opened.error();
    Result<QList<RunArchive::KeptPage>> pages = RunArchive(m_archive).keptPagesToRead(m_reader, m_phrase);
    if (!pages)
        return pages.error();
    m_pages = std::move(pages).value();
    QMetaObject::invokeMethod(this, &Rereading::nextPage, Qt::QueuedConnection);
    return std::nullopt;
}

QString Rereading::addressOf(const RunArchive::KeptPage &kept) const
{
    const ArchivedRun &run = kept.run;
    return kept.page.offset == 0 ? QueryAddress::firstPage(run.host, run.phrase, run.place)
                                 : QueryAddress::nextPage(run.host, run.phrase, kept.page.offset, run.italianOnly, run.place);
}

void Rereading::nextPage()
{
    while (m_next < m_pages.size()) {
        const RunArchive::KeptPage &kept = m_pages[m_next];
        if (m_runFailed) {
            // The rest of a run that cannot be read again whole.
            runDone();
            continue;
        }
        const Result<QByteArray> markup = PageCompression::decompress(kept.page.kept.compressed);
        if (!markup) {
            pageNotRead(markup.error());
            return;
        }
        m_browser->setDevice(kept.run.place.device);
        m_timeout.start();
        m_browser->navigateKept(addressOf(kept), *markup);
        return;
    }
    emit finished();
}

void Rereading::pageRead()
{
    if (m_next >= m_pages.size() || !m_timeout.isActive())
        return;
    m_timeout.stop();
    const RunArchive::KeptPage &kept = m_pages[m_next];
    const std::optional<QString> text = m_browser->pageText();
    if (!text) {
        pageNotRead(m_browser->loadError());
        return;
    }
    m_unreadBefore = m_unreadBefore || kept.page.reading == PageReading::Unread;
    ArchivedPage page = kept.page;
    page.kept = KeptMarkup();
    page.reader = m_reader;
    page.results.clear();
    page.features.reset();
    // The same reading as a run's: the classic markup by its scan, today's
    // from the document.
    QList<ResultLinks::TitledLink> results;
    if (Scanner::isClassicPage(*text)) {
        page.reading = PageReading::Classic;
        results = ResultLinks::untitled(Scanner::classicResults(*text));
    } else {
        const PageLinks links = m_browser->pageLinks();
        results = ResultLinks::resultsOf(links.results, links.titles, links.address);
        if (results.isEmpty() && PageKinds::of(links.shape, links.address, links.pages) != PageKind::NoResults) {
            pageNotRead(QStringLiteral("non è una pagina di risultati"));
            return;
        }
        page.reading = PageReading::Today;
        if (links.features)
            page.features = ResultLinks::resolved(*links.features, links.address);
    }
    // Numbered after the run's pages before it, as read again.
    for (const ResultLinks::TitledLink &result : results)
        page.results.append(ArchivedResult{m_counted + page.results.size() + 1, result.address, result.title});
    m_counted += page.results.size();
    m_readings.append({kept.pageId, page});
    runDone();
    nextPage();
}

void Rereading::pageNotRead(const QString &why)
{
    m_timeout.stop();
    const RunArchive::KeptPage &kept = m_pages[m_next];
    m_summary.notRead.append(QStringLiteral("%1 %2, pagina %3: %4")
                                 .arg(kept.run.phrase, kept.run.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                                 .arg(kept.page.offset / 10 + 1)
                                 .arg(why));
    m_runFailed = true;
    runDone();
    nextPage();
}

// Past the page just read: at the end of its run, the run's new reading is
// stored, all of its pages at once, and compared with the old.
void Rereading::runDone()
{
    const RunArchive::KeptPage &kept = m_pages[m_next++];
    if (m_next < m_pages.size() && m_pages[m_next].run.id == kept.run.id)
        return;
    const QList<std::pair<qint64, ArchivedPage>> readings = std::exchange(m_readings, {});
    const bool unreadBefore = std::exchange(m_unreadBefore, false);
    m_counted = 0;
    if (std::exchange(m_runFailed, false) || readings.isEmpty())
        return;
    RunArchive runs(m_archive);
    const Result<QList<ArchivedResult>> old = runs.newestResults(kept.run.id);
    if (!old) {
        m_summary.notRead.append(QStringLiteral("%1: %2").arg(kept.run.phrase, old.error()));
        return;
    }
    if (const Result<void> stored = runs.addRereadings(readings); !stored) {
        m_summary.notRead.append(QStringLiteral("%1: %2").arg(kept.run.phrase, stored.error()));
        return;
    }
    m_summary.pages += int(readings.size());
    const Result<QList<ArchivedResult>> now = runs.newestResults(kept.run.id);
    Change change{kept.run.phrase, kept.run.started, firstHit(*old, kept.run.fragment),
                  now ? firstHit(*now, kept.run.fragment) : std::nullopt, kept.page.reader, m_reader, unreadBefore};
    if (change.before == change.after && !unreadBefore) {
        ++m_summary.unchanged;
        return;
    }
    ++m_summary.changed;
    emit runChanged(change);
}
