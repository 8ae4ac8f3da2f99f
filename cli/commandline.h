#pragma once

#include "search/cooldown.h"
#include "search/grid.h"
#include "search/listrun.h"
#include "store/runpictures.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks for: the window, or a list run without one.
//   cerca-posizione --elenco FILE --frammento TEXT [--pagine N] [--solo-italiano] [--pausa S] [--attesa S]
//                   [--attesa-lettura S] [--riprendi] [--pausa-verifica S] [--attesa-verifica S] [--riepilogo FILE.csv]
//                   [--dispositivo computer|smartphone] [--paese CC] [--lingua LL] [--luogo NAME] [--prove N]
//                   [--archivio postgresql://USER@HOST:PORT/DB [--condiviso NAME]]
//   cerca-posizione --griglia N --centro LAT,LON --passo KM --frase TEXT --frammento TEXT [the list's options]
//   cerca-posizione --esporta-archivio FILE.csv [--frase TEXT]
//   cerca-posizione --rileggi [FRASE]
struct CommandLine
{
    enum class Action { Window, List, Grid, Export, Reread, Help, Version, Error };
    Action action = Action::Window;
    QString listFile;
    QString fragment;
    QString pageLimit = QString::number(RunInputs::kDefaultPageLimit);
    bool italianOnly = false;
    int pauseSeconds = ListRun::kDefaultPauseSeconds;   // the pauses' mean
    int pageSeconds = ListRun::kDefaultPageSeconds;     // how long a page may take
    std::optional<int> settleSeconds;   // how long a page may take to settle; none: the search options file's
    bool resume = false;
    QString summaryFile;     // what moved, one row a phrase, as CSV; empty: none
    int coolDownSeconds = CoolDown::kDefaultFirstSeconds;        // the first wait after a check page
    int coolDownTotalSeconds = CoolDown::kDefaultTotalSeconds;   // the waits of a list together; 0: none
    SearchPlace place;   // the device, country, language and place of every phrase
    int picturesKept = RunPictures::kKeptByDefault;   // pictures of what the runs saw, for each series
    QString archive;         // a shared archive's address; empty: the search options' or the file
    QString sharedList;      // the name a list is shared under with other machines; empty: not shared
    QString exportFile;
    bool everyReading = false;   // the export gives the readings re-readings replaced too
    QString phrase;  // the one phrase to export or read again (empty: all); a grid's phrase
    GridPlan grid;   // a grid's points, phrase and fragment
    QString error;   // one line, for standard error

    static CommandLine parse(const QStringList &arguments);   // the program's name first
    static QString help();
    static QString version();
};
