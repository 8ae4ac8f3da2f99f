#pragma once

#include "model/searchplace.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

// A business of the places block ("Luoghi", the local pack), as shown.
struct PackEntry
{
    QString name;
    QString website;            // the business's own site; empty where it shows none
    QString maps;               // its address on Maps

    bool operator==(const PackEntry &) const = default;
};

// What a results page of today's markup showed besides its organic results.
struct PageFeatures
{
    int adsTop = 0;
    int adsBottom = 0;
    QString featured;           // the address a featured answer quotes; empty without one
    bool aiOverview = false;
    QStringList aiCited;        // the addresses the AI overview cites, in the order shown, as far as they had loaded
    bool questions = false;     // a block of questions ("Altre domande")
    bool aiLoading = false;     // the overview was still being generated when the page had to be read
    QList<PackEntry> pack = {}; // the places block's businesses, in the order shown

    bool operator==(const PageFeatures &) const = default;
};

// One organic result as a person counts it.
struct ArchivedResult
{
    qint64 position = 0;
    QString address;
    QString title;              // empty where the page gives none

    bool operator==(const ArchivedResult &) const = default;
};

// How a page was read: by the classic scan, from today's markup, or not at
// all (a page the reader could not place, kept to be read again by a
// mended reader; it holds no results).
enum class PageReading { Classic, Today, Unread };

// The document a page was read from, kept to be read again: its markup as
// the reader saw it, without what no reading uses (scripts, styles, inline
// pictures).
struct KeptMarkup
{
    QByteArray text;        // UTF-8, as a run hands it over
    QByteArray compressed;  // zstd, as the archive keeps it
    int reader = 0;         // the version of the reader that read it
    int runs = 0;           // kept for the latest `runs` runs of the series

    bool isEmpty() const { return text.isEmpty() && compressed.isEmpty(); }
};

struct ArchivedPage
{
    qint64 offset = 0;
    QDateTime readAt;
    PageReading reading = PageReading::Classic;
    QList<ArchivedResult> results;
    std::optional<PageFeatures> features;   // today's pages only
    KeptMarkup kept;                         // none when pages are not kept
    int reader = 0;                          // the reader's version that read it; 0 before readers had one
};

// How a run ended.
enum class RunEnd {
    Unfinished,     // the program ended first
    Found,          // at `position`
    NotFound,       // within the page limit: `position` results checked
    ResultsEnded,   // the results ran out after `position`
    Stopped,        // the user stopped it
    WaitingForUser, // a page asked the user, and the run ended unanswered
    PageNotLoaded,  // a page did not load: past its time in a list, an error answer, a cut connection
    PageUnreadable, // a page the reader could not place, kept in the data folder
};

// The picture of what a run saw: its file beside the archive and where the
// first hit stands on it.
struct ArchivedPicture
{
    QString file;               // the path of the JPEG
    qint64 bytes = 0;
    QRect hitBox;               // in the picture's pixels; empty without a hit
    QSize size;                 // the picture's size in pixels
    QByteArray jpeg;            // in a shared archive, the picture itself, for every machine to show

    bool operator==(const ArchivedPicture &) const = default;
};

struct ArchivedRun
{
    qint64 id = 0;
    QString phrase;
    SearchPlace place;
    QString host;
    bool italianOnly = false;
    QString fragment;
    QDateTime started;
    QDateTime ended;            // invalid while unfinished
    RunEnd end = RunEnd::Unfinished;
    qint64 position = 0;        // see RunEnd
    int packPlace = 0;          // the fragment's place in the local pack, from 1; 0: not in it, or no pack
    QList<ArchivedPage> pages;
    std::optional<ArchivedPicture> picture;
    // Names the run for the archive: one sent again with the same token (its
    // answer lost with the connection, or its program killed before it knew)
    // is the run already written. Empty: every run sent is a new one.
    QString token;

    // Every result of the run, across its pages, in order.
    QList<ArchivedResult> results() const;
    // The phrase and where it was searched from, as its series is named.
    QString series() const { return SearchPlaces::seriesOf(phrase, place); }
    // The position of the first result whose address holds the fragment.
    std::optional<qint64> positionOf(const QString &fragment) const;
    // Whether an AI overview of any page cites an address that holds the fragment.
    bool citedInAiOverview(const QString &fragment) const;
};

namespace RunEnds {
// "trovato", "non trovato", ... as the archive and its exports write them.
QString name(RunEnd end);
RunEnd fromName(const QString &name);
// "posizione 12", "non trovato entro 30", "risultati finiti dopo 27", ...
QString describe(RunEnd end, qint64 position);
}
