#pragma once

#include "platform/browser.h"
#include "store/archivewriter.h"

#include <QDir>
#include <QString>
#include <iterator>

// What the program says of faults, in the window and on the command line alike.
namespace Notes {

inline QString archiveFault(const ArchiveFault &fault)
{
    if (fault.kind == ArchiveFault::Kind::SetAside) {
        return QStringLiteral("L'archivio %1 era danneggiato: è stato rinominato in %2 e ne è iniziato uno nuovo.")
            .arg(QDir::toNativeSeparators(fault.archive), QDir::toNativeSeparators(fault.setAsideAs));
    }
    if (fault.kind == ArchiveFault::Kind::PageNotKept) {
        return QStringLiteral("Impossibile tenere nell'archivio %1 le pagine lette (%2): le ricerche continuano e vengono "
                              "archiviate, senza le pagine da rileggere.")
            .arg(QDir::toNativeSeparators(fault.archive), fault.reason);
    }
    // What could not be written waits for the archive: nothing is dropped.
    if (fault.server) {
        return QStringLiteral("L'archivio condiviso %1 non risponde (%2): le ricerche continuano e vi saranno scritte quando "
                              "risponderà.")
            .arg(fault.archive, fault.reason);
    }
    return QStringLiteral("Impossibile scrivere l'archivio %1 (%2): le ricerche continuano e saranno archiviate appena "
                          "possibile.")
        .arg(QDir::toNativeSeparators(fault.archive), fault.reason);
}

inline QString resultNotSaved(const QString &log)
{
    return QStringLiteral("Risultato non salvato: impossibile scrivere %1.").arg(log);
}

inline QString paceNotKept(const QString &file)
{
    return QStringLiteral("Impossibile scrivere %1: il prossimo elenco riparte dalla pausa data.").arg(QDir::toNativeSeparators(file));
}

inline QString pictureNotKept(const QString &problem)
{
    return QStringLiteral("Impossibile tenere l'immagine della pagina letta (%1): le ricerche continuano, senza immagini.")
        .arg(problem);
}

// A browser that started but could not be reached: the step, the command,
// and the browser's words or what became of it.
inline QString browserNotConnected(const BrowserFault &fault)
{
    static const char *const steps[] = {"avvio", "scheda", "collegamento alla scheda", "preparazione della pagina",
                                        "prima pagina"};
    static_assert(std::size(steps) == std::size_t(BrowserFault::Step::FirstPage) + 1, "a step without its name");
    QString why;
    switch (fault.why) {
    case BrowserFault::Why::Refused:
        why = fault.words;
        break;
    case BrowserFault::Why::Closed:
        why = QStringLiteral("il browser si è chiuso");
        break;
    case BrowserFault::Why::TimedOut:
        why = QStringLiteral("nessuna risposta in %1 s").arg(fault.seconds);
        break;
    }
    return QStringLiteral("Impossibile collegarsi al browser: %1 (%2): %3.")
        .arg(QString::fromUtf8(steps[int(fault.step)]), fault.command, why);
}

} // namespace Notes
