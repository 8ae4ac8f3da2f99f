#pragma once

#include <QString>

// The one folder that holds the settings file and the result log: the
// program's own folder, or the per-user data folder when the program's folder
// cannot be written (an installed copy in a system folder).
class DataFolder
{
public:
    // installFolder: where an installed copy lives; a program started from
    // there always uses the per-user folder.
    static QString resolve(const QString &programFolder, const QString &perUserFolder,
                           const QString &installFolder = QString());
    static bool isWritableFolder(const QString &folder);

    explicit DataFolder(const QString &path = QString()) : m_path(path) {}

    QString path() const { return m_path; }
    QString settingsFile() const { return filePath(QStringLiteral("Salvataggio.cfg")); }
    QString resultLog() const { return filePath(QStringLiteral("Risultato.txt")); }
    QString archive() const { return filePath(QStringLiteral("Archivio.sqlite")); }
    // The archive the runs go to: the shared one of the search options, or
    // the file above.
    QString archiveInUse() const;
    // Where records wait that a shared archive could not take.
    QString sharedArchiveSpool() const { return filePath(QStringLiteral("Archivio condiviso")); }
    QString listProgress() const { return filePath(QStringLiteral("Elenchi.ini")); }
    // The pace each engine host's lists ended with.
    QString listPaces() const { return filePath(QStringLiteral("Passo degli elenchi.ini")); }
    QString searchOptions() const { return filePath(QStringLiteral("Opzioni di ricerca.ini")); }
    QString runPictures() const { return filePath(QStringLiteral("Pagine viste")); }
    QString unreadPages() const { return filePath(QStringLiteral("Pagine non lette")); }

private:
    QString filePath(const QString &name) const;
    QString m_path;
};
