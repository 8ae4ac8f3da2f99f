#include "search/searchrun.h"

#include "model/readerversion.h"

#include "platform/browser.h"
#include "platform/timers.h"
#include "search/notes.h"
#include "search/pagekind.h"
#include "search/placequery.h"
#include "store/archive.h"
#include "store/archivewriter.h"
#include "store/datafolder.h"
#include "store/runpictures.h"
#include "store/unreadpages.h"

#include <QDir>
#include <QScopeGuard>

namespace {

std::unique_ptr<ArchiveWriter> writerFor(const QString &archive, const QString &spool)
{
    return archive.isEmpty() ? nullptr : std::make_unique<ArchiveWriter>(archive, spool);
}

} // namespace

SearchRunOptions SearchRunOptions::inFolder(const DataFolder &folder, const QString &archive)
{
    SearchRunOptions options;
    // The local service's host wins over the country's domain.
    options.host = qEnvironmentVariable("CERCA_POSIZIONE_HOST");
    options.archive = archive;
    options.archiveSpool = folder.sharedArchiveSpool();
    options.unreadPages = folder.unreadPages();
    options.pictures = folder.runPictures();
    return options;
}

SearchRun::SearchRun(Browser *page, SearchRunOptions options, QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_options(std::move(options))
    , m_writer(writerFor(m_options.archive, m_options.archiveSpool))
    , m_recorder(m_writer.get())
{
    if (m_writer)
        connect(m_writer.get(), &ArchiveWriter::fault, this, &SearchRun::archiveFault);
    m_nextPage.setObjectName(QStringLiteral("Timer1"));
    m_nextPage.setSingleShot(true);
    m_nextPage.setInterval(m_options.pageInterval);
    // A coarse timer may fire up to 5% early; the pause between pages is a minimum.
    m_nextPage.setTimerType(Qt::PreciseTimer);
    connect(&m_nextPage, &QTimer::timeout, this, &SearchRun::nextPage);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { askForPage(m_pageAddress); });
    connect(m_page, &Browser::documentComplete, this, &SearchRun::documentComplete);
    connect(m_page, &Browser::unavailable, this, &SearchRun::browserUnavailable);
    connect(m_page, &Browser::startFailed, this,
            [this](const BrowserFault &fault) { browserUnavailable(Notes::browserNotConnected(fault)); });
}

SearchRun::~SearchRun()
{
    abandon();
}

void SearchRun::start(const RunInputs &inputs)
{
    if (inputs.phrase.isEmpty() || m_active)
        return;
    if (const std::optional<QString> problem = PlaceQuery::problem(inputs.place)) {
        if (m_recorder.running())
            m_recorder.runEnded(RunEnd::Stopped, m_values, m_options.clock());
        m_inputs = inputs;
        RunOutcome refused;
        refused.phrase = inputs.phrase;
        refused.place = inputs.place;
        refused.italianOnly = inputs.italianOnly;
        refused.detail = *problem;
        emit ended(refused);
        return;
    }
    // A stopped run whose last page never came.
    if (m_recorder.running())
        m_recorder.runEnded(RunEnd::Stopped, m_values, m_options.clock());
    m_inputs = inputs;
    m_active = true;
    m_values.contaPosizione = 0;
    m_values.inizioPagina = 0;
    m_pagesRead = 0;
    m_report.clear();
    m_retry.stop();
    m_pageRetried = false;
    m_pictureTaken = false;
    m_started = m_options.clock();
    emit started();
    m_page->setDevice(m_inputs.place.device);
    // The pages read are kept with the pictures, for as many runs.
    m_page->setKeepingPages(m_writer && m_inputs.picturesKept > 0);
    askForPage(QueryAddress::firstPage(host(), m_inputs.phrase, m_inputs.place));
    ArchivedRun run;
    run.phrase = m_inputs.phrase;
    run.place = m_inputs.place;
    run.host = host();
    run.italianOnly = m_inputs.italianOnly;
    run.fragment = m_inputs.fragment;
    run.started = m_started;
    m_recorder.runStarted(run);
}

QString SearchRun::host() const
{
    return m_options.host.isEmpty() ? PlaceQuery::hostFor(m_inputs.place.country) : m_options.host;
}

void SearchRun::stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_state == State::WaitingForUser)
        finish(RunEnd::WaitingForUser);
}

void SearchRun::abandon()
{
    m_nextPage.stop();
    m_retry.stop();
    if (m_page)
        disconnect(m_page, nullptr, this, nullptr);
    m_active = false;
    if (m_recorder.running())
        m_recorder.runEnded(m_state == State::WaitingForUser ? RunEnd::WaitingForUser : RunEnd::Unfinished, m_values,
                            m_options.clock());
    setState(State::Ended);
}

void SearchRun::flushArchive()
{
    if (m_writer)
        m_writer->flush();
}

void SearchRun::abandonUnloadedPage()
{
    if (!m_recorder.running())
        return;
    // A blank page takes the place of the one in flight, which never reports.
    m_page->navigate2(QStringLiteral("about:blank"));
    finish(RunEnd::PageNotLoaded, QStringLiteral("tempo scaduto"));
}

void SearchRun::askForPage(const QString &address)
{
    m_pageAddress = address;
    m_pageKept = false;
    setState(State::Loading);
    m_page->navigate2(address);
    emit pageLoading();
}

void SearchRun::nextPage()
{
    const qint64 offset = m_values.inizioPagina.value_or(0);
    m_pageRetried = false;
    askForPage(QueryAddress::nextPage(host(), m_inputs.phrase, offset, m_inputs.italianOnly, m_inputs.place));
    emit nextPageAsked(offset);
}

ScanInput SearchRun::scanInput() const
{
    return ScanInput{m_inputs.fragment, m_inputs.pageLimit, m_inputs.continueMode, !m_active};
}

void SearchRun::documentComplete()
{
    emit pageCompleted();
    const std::optional<QString> text = m_page->pageText();
    if (!text) {
        // An error answer, a cut connection, the browser's error page.
        pageNotLoaded(m_page->loadError());
        return;
    }
    // A page of the classic markup is read as it always was.
    if (Scanner::isClassicPage(*text)) {
        RecuperaDati(*text);
        return;
    }
    const PageLinks links = m_page->pageLinks();
    // Today's results come from the live document, without the page text.
    const QList<ResultLinks::TitledLink> results = ResultLinks::resultsOf(links.results, links.titles, links.address);
    const PageKind kind = results.isEmpty() ? PageKinds::of(links.shape, links.address, links.pages) : PageKind::NoResults;
    if (!results.isEmpty() || kind == PageKind::NoResults) {
        std::optional<PageFeatures> features;
        if (links.features)
            features = ResultLinks::resolved(*links.features, links.address);
        readTodayPage(results, ResultLinks::hasNextPage(links.address, links.pages), features);
        return;
    }
    if (!m_active)
        return;
    // Consent or a check: the user answers in the page, and the page that
    // follows is read as usual. A page nobody can place is kept, and said.
    if (kind == PageKind::Unknown) {
        keepUnreadPage();
        return;
    }
    const bool asked = m_state == State::WaitingForUser;
    setState(State::WaitingForUser);
    if (!asked)
        emit needsUser();
}

void SearchRun::browserUnavailable(const QString &note)
{
    // Without a browser, or with one that cannot be reached, no page comes:
    // the run ends at once, and says why.
    if (m_active)
        finish(RunEnd::Unfinished, note);
}

void SearchRun::pageNotLoaded(const QString &why)
{
    if (!m_recorder.running())
        return;
    // Servers fail now and then: in a list the page is asked again once.
    if (m_listPause && m_active && !std::exchange(m_pageRetried, true)) {
        setState(State::Pausing);
        m_retry.start(m_listPause());
        return;
    }
    finish(RunEnd::PageNotLoaded, why);
}

void SearchRun::keepUnreadPage()
{
    const QString path = UnreadPages::pathFor(m_options.unreadPages, m_options.clock(), m_inputs.phrase);
    const QString file = QDir::toNativeSeparators(path + QStringLiteral(".html"));
    if (!std::exchange(m_pageKept, true)) {
        m_recorder.pageUnread(m_values.inizioPagina.value_or(0), m_options.clock(), keptMarkup());
        m_page->capturePage([path](const QByteArray &markup, const QByteArray &picture) {
            const QString problem = UnreadPages::keep(path, markup, picture);
            if (!problem.isEmpty())
                qWarning("The page that could not be read was not kept: %s", qPrintable(problem));
        });
    }
    if (m_listPause) {
        finish(RunEnd::PageUnreadable, file);
        return;
    }
    setState(State::WaitingForUser);
    emit pageKept(file);
}

void SearchRun::RecuperaDati(const QString &text)
{
    setState(State::Reading);
    const RunValues before = m_values;
    const ScanResult result = Scanner::scanPage(text, scanInput(), m_values);
    if (result.outcome != ScanOutcome::PageIgnored) {
        const QStringList addresses = Scanner::classicResults(text);
        m_recorder.pageRead(PageReading::Classic, before.inizioPagina.value_or(0), before.contaPosizione.value_or(0),
                            ResultLinks::untitled(addresses), std::nullopt, m_options.clock(), keptMarkup());
        ++m_pagesRead;
        if (const QStringList hits = hitsOf(addresses); !hits.isEmpty())
            takePicture(hits);
    }
    apply(result);
}

KeptMarkup SearchRun::keptMarkup() const
{
    KeptMarkup kept;
    if (!m_writer || m_inputs.picturesKept <= 0)
        return kept;
    kept.text = m_page->keptMarkup();
    kept.reader = ReaderVersion::kCurrent;
    kept.runs = m_inputs.picturesKept;
    return kept;
}

void SearchRun::readTodayPage(const QList<ResultLinks::TitledLink> &results, bool hasNextPage,
                              const std::optional<PageFeatures> &features)
{
    setState(State::Reading);
    QStringList addresses;
    for (const ResultLinks::TitledLink &result : results)
        addresses.append(result.address);
    const RunValues before = m_values;
    const ScanResult result = Scanner::scanResults(addresses, hasNextPage, scanInput(), m_values);
    m_recorder.pageRead(PageReading::Today, before.inizioPagina.value_or(0), before.contaPosizione.value_or(0), results,
                        features, m_options.clock(), keptMarkup());
    ++m_pagesRead;
    if (const QStringList hits = hitsOf(addresses); !hits.isEmpty())
        takePicture(hits);
    apply(result);
}

void SearchRun::apply(const ScanResult &result)
{
    if (result.report)
        m_report = *result.report;
    emit pageRead(result);
    if (result.endsRun()) {
        finish(RunRecorder::endOf(result.outcome, !m_active));
    } else if (result.wantsNextPage()) {
        setState(State::Pausing);
        Timers::enable(m_nextPage);
    }
    // A classic page without a result: nothing is pending, the run waits.
}

void SearchRun::finish(RunEnd end, const QString &detail)
{
    m_active = false;
    m_retry.stop();
    if (end == RunEnd::PageNotLoaded || end == RunEnd::PageUnreadable)
        m_nextPage.stop();
    RunOutcome outcome;
    outcome.phrase = m_inputs.phrase;
    outcome.place = m_inputs.place;
    outcome.italianOnly = m_inputs.italianOnly;
    outcome.end = end;
    outcome.values = m_values;
    outcome.report = m_report;
    outcome.aiCitation = m_recorder.aiCitation();
    outcome.aiIncomplete = m_recorder.aiIncomplete();
    outcome.packPlace = m_recorder.packPlace();
    outcome.pagesRead = m_pagesRead;
    outcome.detail = detail;
    outcome.ended = m_options.clock();
    // Without a hit, the last page the run read, or the page it could not
    // read or that asked the user, as it stands.
    const bool pageShown = end == RunEnd::NotFound || end == RunEnd::ResultsEnded || end == RunEnd::Stopped
        || end == RunEnd::WaitingForUser || end == RunEnd::PageUnreadable;
    if (pageShown && m_recorder.running())
        takePicture({});
    m_recorder.runEnded(end, m_values, outcome.ended);
    setState(State::Ended);
    emit ended(outcome);
}

QStringList SearchRun::hitsOf(const QStringList &addresses) const
{
    // The hit that ends the run, or in the continue mode every one.
    QStringList hits;
    for (const QString &address : addresses) {
        if (!m_inputs.fragment.isEmpty() && address.contains(m_inputs.fragment)) {
            hits.append(address);
            if (!m_inputs.continueMode)
                break;
        }
    }
    return hits;
}

void SearchRun::takePicture(const QStringList &hits)
{
    if (std::exchange(m_pictureTaken, true) || m_options.pictures.isEmpty() || m_inputs.picturesKept <= 0)
        return;
    const std::optional<quint64> handle = m_recorder.handle();
    const QString path = RunPictures::pathFor(m_options.pictures, SearchPlaces::seriesOf(m_inputs.phrase, m_inputs.place),
                                              m_started);
    const int kept = m_inputs.picturesKept;
    // A shared archive keeps the picture itself, so that every machine shows it.
    const bool shared = Archive::isServer(m_options.archive);
    QPointer<SearchRun> self(this);
    ++m_picturesInFlight;
    m_page->capturePicture(hits, [self, handle, path, kept, shared](const PagePicture &picture) {
        if (!self)
            return;
        const auto settle = qScopeGuard([&self] {
            if (self && --self->m_picturesInFlight == 0)
                emit self->picturesSettled();
        });
        if (picture.jpeg.isEmpty())
            return;
        const QString problem = RunPictures::keep(path, picture.jpeg, kept);
        if (!problem.isEmpty()) {
            emit self->pictureNotKept(problem);
            return;
        }
        if (handle)
            self->m_recorder.pictureKept(*handle, ArchivedPicture{path, picture.jpeg.size(), picture.hitBox, picture.size,
                                                                  shared ? picture.jpeg : QByteArray()});
    });
}
