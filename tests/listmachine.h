#pragma once

// A machine of a shared list, as the tests and benchmarks start it: a folder
// of its own (its home, its data, its copy of the program) and the program's
// command line on one list of a shared archive, against the local results
// service, with the pauses shortened.

#include "resultsservice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

struct ListMachine
{
    QString program;        // the program to copy
    QString archive;        // the shared archive's address
    QString listName;
    QStringList phrases;
    QString host;           // the results service's host:port
    QString fragment;
    int pages = 2;
    int leaseSeconds = 120;
    int pauseMilliseconds = 100;

    // The line a list ends with ("frasi.txt: 12 frasi, ..."), not a phrase's.
    static bool isEndLine(const QString &line)
    {
        static const QRegularExpression end(QStringLiteral("^\\S+\\.txt: \\d+ fras[ei][,;]"));
        return end.match(line).hasMatch();
    }

    QProcess *start(const QString &folder, QObject *parent) const
    {
        QDir().mkpath(folder);
        const QString copy = QDir(folder).filePath(QStringLiteral("cerca-posizione"));
        if (!QFileInfo::exists(copy))
            QFile::copy(program, copy);
        QFile list(QDir(folder).filePath(QStringLiteral("frasi.txt")));
        list.open(QIODevice::WriteOnly);
        list.write((phrases.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        list.close();
        auto *process = new QProcess(parent);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CERCA_POSIZIONE_HOST"), host);
        environment.insert(QStringLiteral("CERCA_POSIZIONE_PAUSA_DI_PROVA_MS"), QString::number(pauseMilliseconds));
        environment.insert(QStringLiteral("CERCA_POSIZIONE_AFFITTO_DI_PROVA_S"), QString::number(leaseSeconds));
        environment.insert(QStringLiteral("HOME"), QDir(folder).filePath(QStringLiteral("home")));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process->setProcessEnvironment(environment);
        process->setChildProcessModifier(results::closeDescriptorsOnExec);
        process->start(copy, {QStringLiteral("--elenco"), list.fileName(), QStringLiteral("--frammento"), fragment,
                              QStringLiteral("--pagine"), QString::number(pages), QStringLiteral("--attesa"), QStringLiteral("10"),
                              QStringLiteral("--archivio"), archive, QStringLiteral("--condiviso"), listName});
        return process;
    }
};
