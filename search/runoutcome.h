#pragma once

#include "model/runvalues.h"
#include "model/runrecords.h"
#include "store/resultlog.h"
#include "model/searchplace.h"

#include <QDateTime>
#include <QString>
#include <optional>

// An AI overview's citation of an address that holds the fragment: its
// rank among the overview's sources, in the order the overview shows them.
struct AiCitation
{
    int rank = 0;      // from 1
    int sources = 0;

    bool operator==(const AiCitation &) const = default;
};

// How a run ended, as a value: the report line's caption, the log line, a
// list's printed line and the archive's outcome are each made from it.
struct RunOutcome
{
    // The engine the runs ask, as the window and the log name it.
    static constexpr const char *kEngine = "Google";

    QString phrase;
    SearchPlace place;
    bool italianOnly = false;
    RunEnd end = RunEnd::Unfinished;
    RunValues values;               // at the end: the last position and address taken
    QString report;                 // the report line's caption; empty when nothing was measured
    std::optional<AiCitation> aiCitation; // an AI overview cites an address that holds the fragment
    bool aiIncomplete = false;      // an AI overview was still being generated when its page was read
    int packPlace = 0;              // the fragment's place in the local pack, from 1; 0: not in it, or no pack
    int pagesRead = 0;
    QString detail;                 // why a page did not load, or where the unread page is kept
    QDateTime ended;

    bool found() const { return end == RunEnd::Found; }
    // Whether the run measured anything: a found or a not-found report.
    bool measured() const { return !report.isEmpty(); }
    // A page did not load, or could not be read: the phrase stays to be checked.
    bool unchecked() const { return end == RunEnd::PageNotLoaded || end == RunEnd::PageUnreadable; }
    qint64 position() const { return values.contaPosizione.value_or(0); }
    QString address() const { return values.indirizzoCorrente.value_or(QString()); }

    // "posizione 12", "non trovato entro 100", "pagina non caricata" or
    // "pagina non letta (salvata in FILE)".
    QString result() const;
    // ", citato nella Panoramica AI (fonte 2 di 6)" when it is, then
    // ", Panoramica AI non completa" when the overview was still being
    // generated; empty otherwise.
    QString citation() const;
    // ", nel pacchetto locale 2" when the fragment is in the local pack; empty otherwise.
    QString pack() const;
    // The phrase, with the device and place when they are not the defaults:
    // "bimby [smartphone, Milan]".
    QString series() const { return SearchPlaces::seriesOf(phrase, place); }
    // "bimby: posizione 12 (http://...)", with the place in the local pack
    // and the citation when there are.
    QString line() const;
    // What "Salva risultato" writes of it.
    ResultReport logReport() const;
};
