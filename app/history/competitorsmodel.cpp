#include "app/history/competitorsmodel.h"

#include "store/archive.h"
#include "store/archivereports.h"
#include "store/competitors.h"
#include "store/csv.h"
#include "store/runarchive.h"

#include <QRegularExpression>

#include <QUrl>

namespace {

QString timeCaption(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("sì") : QStringLiteral("no");
}

} // namespace

TextTable::TextTable(QStringList headers, QSet<int> numbers, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
    , m_numbers(std::move(numbers))
{
}

void TextTable::setRows(QList<QStringList> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QByteArray TextTable::csv() const
{
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    QByteArray out = Csv::row(m_headers);
    for (const QStringList &row : m_rows) {
        QList<QByteArray> fields;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const QString &cell = row[column];
            const bool number = m_numbers.contains(int(column)) && wholeNumber.match(cell).hasMatch();
            fields.append(number ? Csv::number(cell.toLongLong(), cell.startsWith(QLatin1Char('+'))) : Csv::field(cell));
        }
        out += Csv::rowOf(fields);
    }
    return out;
}

int TextTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TextTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant TextTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return m_rows[index.row()].value(index.column());
}

QVariant TextTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

CompetitorsModel::CompetitorsModel(Archive &archive, const QString &phrase, QObject *parent)
    : QObject(parent)
    , m_archive(archive)
    , m_phrase(phrase)
    , m_results({QStringLiteral("posizione"), QStringLiteral("variazione"), QStringLiteral("indirizzo"),
                 QStringLiteral("titolo")}, {0, 1})
    , m_features({QStringLiteral("data e ora"), QStringLiteral("esito"), QStringLiteral("annunci sopra"),
                  QStringLiteral("annunci sotto"), QStringLiteral("risposta in evidenza"), QStringLiteral("Panoramica AI"),
                  QStringLiteral("frammento citato nella Panoramica AI"), QStringLiteral("altre domande")}, {2, 3})
    , m_comparison({QStringLiteral("data e ora"), QStringLiteral("posizione")}, {1})
{
    const Result<QList<ArchivedRun>> runs = RunArchive(archive).runsOf(phrase);
    if (!runs) {
        m_readProblem = runs.error();
        return;
    }
    m_runs = Competitors::readRuns(*runs);
    if (m_runs.isEmpty())
        return;
    const Competitors::Comparison comparison =
        Competitors::compare(m_runs.constLast(), m_runs.size() > 1 ? &m_runs[m_runs.size() - 2] : nullptr);
    QList<QStringList> rows;
    for (const Competitors::Ranked &ranked : comparison.latest)
        rows.append({QString::number(ranked.result.position), ranked.move(), ranked.result.address, ranked.result.title});
    for (const Competitors::Dropped &dropped : comparison.dropped)
        rows.append({QString(), QStringLiteral("uscito (era %1)").arg(dropped.previous), dropped.address, QString()});
    m_results.setRows(rows);

    rows.clear();
    for (const ArchivedRun &run : m_runs) {
        PageFeatures seen;
        bool today = false;
        for (const ArchivedPage &page : run.pages) {
            if (!page.features)
                continue;
            today = true;
            seen.adsTop += page.features->adsTop;
            seen.adsBottom += page.features->adsBottom;
            if (seen.featured.isEmpty())
                seen.featured = page.features->featured;
            seen.aiOverview = seen.aiOverview || page.features->aiOverview;
            seen.questions = seen.questions || page.features->questions;
        }
        const QString none = today ? QString() : QStringLiteral("-");
        rows.append({timeCaption(run.started), RunEnds::describe(run.end, run.position),
                     today ? QString::number(seen.adsTop) : none, today ? QString::number(seen.adsBottom) : none,
                     today ? (seen.featured.isEmpty() ? QStringLiteral("no") : seen.featured) : none,
                     today ? yesNo(seen.aiOverview) : none,
                     today ? yesNo(run.citedInAiOverview(run.fragment)) : none, today ? yesNo(seen.questions) : none});
    }
    m_features.setRows(rows);
}

QString CompetitorsModel::fragment() const
{
    return m_runs.isEmpty() ? QString() : m_runs.constLast().fragment;
}

QList<CompetitorsModel::Series> CompetitorsModel::series() const
{
    QList<Series> all;
    if (m_runs.isEmpty())
        return all;
    // The user's own site has a line of its own.
    QStringList hosts = Competitors::leadingHosts(m_runs.constLast(), kLeadingHosts + 1);
    for (const ArchivedResult &result : m_runs.constLast().results()) {
        if (result.address.contains(fragment()))
            hosts.removeAll(QUrl(result.address).host());
    }
    for (const QString &host : hosts.mid(0, kLeadingHosts)) {
        Series series{host, {}, false};
        for (const ArchivedRun &run : m_runs) {
            if (const std::optional<qint64> position = Competitors::positionOfHost(run, host))
                series.points.append(QPointF(double(run.started.toMSecsSinceEpoch()), double(*position)));
        }
        all.append(series);
    }
    Series own{fragment(), {}, true};
    for (const ArchivedRun &run : m_runs) {
        if (const std::optional<qint64> position = run.positionOf(fragment()))
            own.points.append(QPointF(double(run.started.toMSecsSinceEpoch()), double(*position)));
    }
    all.append(own);
    return all;
}

Result<CompetitorsModel::Series> CompetitorsModel::compareWith(const QString &fragment)
{
    const Result<QList<ArchiveReports::Position>> positions = ArchiveReports(m_archive).positionsOf(m_phrase, fragment);
    if (!positions) {
        m_comparison.setRows({});
        return positions.failure();
    }
    Series series{fragment, {}, false};
    QList<QStringList> rows;
    for (const ArchiveReports::Position &position : *positions) {
        rows.append({timeCaption(position.started),
                     position.position ? QString::number(*position.position) : QStringLiteral("non presente")});
        if (position.position)
            series.points.append(QPointF(double(position.started.toMSecsSinceEpoch()), double(*position.position)));
    }
    m_comparison.setRows(rows);
    return series;
}
