#pragma once

// What the soak saw, checked against what the service served, written as a
// text report and a CSV of phrases and outcomes.

#include "soakplan.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QStringList>

namespace soak {

struct Report
{
    struct Broken
    {
        QString phrase;            // empty when the fault is the list's
        QString what;
        QStringList lines;         // the log lines around it
    };
    struct Sample
    {
        qint64 atMs = 0;
        int list = 0;
        qint64 programKb = 0;
        qint64 browserKb = 0;
    };
    struct Served
    {
        QString phrase;
        long offset = 0;
        QString kind;
    };
    struct RunSeen
    {
        RunEnd end = RunEnd::Unfinished;
        qint64 position = 0;
        QDateTime started;
        int pages = 0;
    };

    quint64 seed = 0;
    const Plan *plan = nullptr;
    qint64 elapsedMs = 0;
    int invocations = 0;
    int archivesChecked = 0;
    QMap<MachineFault, int> machineFaults;
    std::set<MachineFault> notInjected;
    QMap<int, int> exits;                      // exit status -> times; -1: killed
    QList<Sample> memory;
    QList<Served> served;
    QHash<QString, QList<RunSeen>> runs;       // by series, oldest first
    QStringList logLines;
    QList<Broken> broken;

    // The invariants of each phrase; `programLog` for the lines around a fault.
    void checkPhrases(const QString &programLog);
    // Every kind of fault, of the service and of the machine, was injected.
    void checkEveryFault();
    // rapporto.txt, esiti.csv and memoria.csv; false when an invariant broke.
    bool write(const QString &folder) const;

private:
    QByteArray m_csv;
};

// memoria.csv as a chart of the program's and the browser's memory.
int drawMemoryChart(const QString &csv, const QString &png, int argc, char *argv[]);

} // namespace soak
