#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// One line of Risultato.txt, built from the window's state at the moment the
// user saves.
struct ResultReport
{
    QString phrase;                    // Combo1's text
    QString report;                    // Label1's caption
    std::optional<qint64> position;    // ContaPosizione
    QString lastAddress;               // IndirizzoCorrente
    QString engine;                    // the engine's name
    bool italianOnly = false;          // Check2 ticked
};

namespace ResultLog {

// The date separator of the system's short date format; "/" where there is none.
QString systemDateSeparator();

// nullopt when the report is empty: nothing is to be written.
std::optional<QString> buildLine(const ResultReport &report, const QDateTime &now,
                                 const QString &dateSeparator);

bool append(const QString &path, const QString &line);

} // namespace ResultLog
