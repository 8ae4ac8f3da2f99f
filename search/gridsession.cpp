#include "search/gridsession.h"

#include "store/archive.h"
#include "store/gridarchive.h"

#include <QDir>

GridSession::GridSession(GridPlan gridPlan, ListPlan plan, QObject *parent)
    : QObject(parent)
    , m_gridPlan(std::move(gridPlan))
    , m_plan(std::move(plan))
    , m_points(m_gridPlan.points())
{
}

GridSession::~GridSession() = default;

std::optional<QString> GridSession::open(bool resume)
{
    m_archive = std::make_unique<Archive>(m_plan.archive, ArchiveUse::Writing);
    if (const Result<void> opened = m_archive->open(); !opened)
        return QStringLiteral("impossibile aprire l'archivio %1, che tiene la griglia: %2")
            .arg(QDir::toNativeSeparators(Archive::displayName(m_plan.archive)), opened.error());
    GridArchive grids(*m_archive);
    m_grid = m_gridPlan.record();
    std::optional<ArchivedGrid> earlier;
    if (resume) {
        const Result<std::optional<ArchivedGrid>> found = grids.unfinished(m_grid);
        if (!found)
            return QStringLiteral("impossibile leggere la griglia da riprendere: %1").arg(found.error());
        earlier = *found;
    }
    if (earlier) {
        m_grid = *earlier;
    } else {
        m_grid.started = QDateTime::currentDateTimeUtc();
        const Result<qint64> begun = grids.begin(m_grid);
        if (!begun)
            return QStringLiteral("impossibile scrivere la griglia nell'archivio: %1").arg(begun.error());
        m_grid.id = *begun;
    }
    // The points measured before are kept; the others are searched, in order.
    QStringList measured;
    for (const GridPointRecord &point : m_grid.points) {
        if (point.measured)
            measured.append(SearchPlaces::coordinatesText(point.point));
    }
    m_resumed = int(measured.size());
    ListPlan plan = m_plan;
    plan.phrases.clear();
    for (const Coordinates &point : m_points) {
        if (!measured.contains(SearchPlaces::coordinatesText(point)))
            plan.phrases.append(SearchPlaces::coordinatesText(point));
    }
    plan.resume = false;
    plan.sharedName.clear();
    plan.resultLog.clear();   // the grid's points are kept in the archive, never in the result log
    const RunInputs inputs = plan.inputs;
    const GridPlan gridPlan = m_gridPlan;
    plan.inputsFor = [inputs, gridPlan](const QString &point) {
        RunInputs pointInputs = inputs;
        pointInputs.phrase = gridPlan.phrase;
        pointInputs.fragment = gridPlan.fragment;
        pointInputs.place.place = point;
        return pointInputs;
    };
    m_list = std::make_unique<ListSession>(plan);
    connect(m_list.get(), &ListSession::phraseEnded, this, [this](int, const RunOutcome &outcome) { pointDone(outcome); });
    connect(m_list.get(), &ListSession::settled, this, &GridSession::listSettled);
    return std::nullopt;
}

void GridSession::start(SearchRun *run)
{
    if (m_list)
        m_list->start(run);
}

void GridSession::stop()
{
    if (m_list)
        m_list->stop();
}

void GridSession::pointDone(const RunOutcome &outcome)
{
    GridPointRecord point;
    point.point = SearchPlaces::coordinatesOf(outcome.place.place).value_or(Coordinates());
    point.packPlace = outcome.packPlace;
    if (outcome.found())
        point.position = outcome.position();
    point.measured = outcome.measured();
    point.result = outcome.result();
    const int ord = int(m_points.indexOf(point.point));
    // The grid's points stay in their order, whichever were searched first.
    qsizetype at = 0;
    while (at < m_grid.points.size() && m_points.indexOf(m_grid.points[at].point) < ord)
        ++at;
    if (at < m_grid.points.size() && m_grid.points[at].point == point.point)
        m_grid.points[at] = point;
    else
        m_grid.points.insert(at, point);
    if (const Result<void> kept = GridArchive(*m_archive).addPoint(m_grid.id, ord, point); !kept)
        emit note(QStringLiteral("l'archivio non ha preso il punto %1 della griglia: %2")
                      .arg(SearchPlaces::coordinatesText(point.point), kept.error()));
    emit pointEnded(point);
}

QStringList GridSession::endLines() const
{
    QStringList lines{QStringLiteral("griglia %1x%1 attorno a %2, ogni %3 km: %4")
                          .arg(m_gridPlan.size)
                          .arg(SearchPlaces::coordinatesText(m_gridPlan.centre),
                               QString::number(m_gridPlan.spacingKm).replace(QLatin1Char('.'), QLatin1Char(',')), measures().line())};
    if (m_previous)
        lines.append(GridComparison::of(*m_previous, m_grid).line(m_previous->started));
    return lines;
}

void GridSession::listSettled()
{
    // A grid with a point still to measure stays open, for --riprendi.
    const bool whole = m_list && !m_list->anyUnchecked()
        && std::count_if(m_grid.points.cbegin(), m_grid.points.cend(), [](const GridPointRecord &p) { return p.measured; })
            == m_points.size();
    GridArchive grids(*m_archive);
    if (whole) {
        m_grid.ended = QDateTime::currentDateTimeUtc();
        if (const Result<void> ended = grids.end(m_grid.id, m_grid.ended); !ended)
            emit note(QStringLiteral("l'archivio non ha chiuso la griglia: %1").arg(ended.error()));
    }
    const Result<std::optional<ArchivedGrid>> before = grids.previous(m_grid.series, m_grid.id);
    if (before)
        m_previous = *before;
    emit finished();
}
