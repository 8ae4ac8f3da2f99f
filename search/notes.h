#pragma once

#include "store/archivewriter.h"

#include <QDir>
#include <QString>

// What the program says of faults, in the window and on the command line alike.
namespace Notes {

inline QString archiveFault(const ArchiveFault &fault)
{
    if (fault.kind == ArchiveFault::Kind::SetAside) {
        return QStringLiteral("L'archivio %1 era danneggiato: è stato rinominato in %2 e ne è iniziato uno nuovo.")
            .arg(QDir::toNativeSeparators(fault.archive), QDir::toNativeSeparators(fault.setAsideAs));
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

inline QString pictureNotKept(const QString &problem)
{
    return QStringLiteral("Impossibile tenere l'immagine della pagina letta (%1): le ricerche continuano, senza immagini.")
        .arg(problem);
}

} // namespace Notes
