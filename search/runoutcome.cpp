#include "search/runoutcome.h"

#include "search/localpack.h"

QString RunOutcome::result() const
{
    switch (end) {
    case RunEnd::Found:
    case RunEnd::PageNotLoaded:
        return RunEnds::describe(end, position());
    case RunEnd::PageUnreadable:
        return QStringLiteral("%1 (salvata in %2)").arg(RunEnds::describe(end, 0), detail);
    default:
        return RunEnds::describe(RunEnd::NotFound, position());
    }
}

QString RunOutcome::citation() const
{
    QString text;
    if (aiCitation)
        text = QStringLiteral(", citato nella Panoramica AI (fonte %1 di %2)").arg(aiCitation->rank).arg(aiCitation->sources);
    if (aiIncomplete)
        text += QStringLiteral(", Panoramica AI non completa");
    return text;
}

QString RunOutcome::pack() const
{
    return packPlace > 0 ? QStringLiteral(", ") + LocalPack::words(packPlace) : QString();
}

QString RunOutcome::line() const
{
    return series() + QStringLiteral(": ") + result() + (found() ? QStringLiteral(" (%1)").arg(address()) : QString())
        + pack() + citation();
}

ResultReport RunOutcome::logReport() const
{
    ResultReport log;
    log.phrase = series();
    log.report = report;
    log.position = values.contaPosizione;
    log.lastAddress = address();
    log.engine = QString::fromLatin1(kEngine);
    log.italianOnly = italianOnly;
    return log;
}
