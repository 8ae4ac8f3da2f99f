#include "store/datafolder.h"
#include "store/searchoptionsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

bool DataFolder::isWritableFolder(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Permission bits do not tell the whole story (read-only mounts, ACLs,
    // root): try to create a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".cerca-posizione-XXXXXX")));
    return probe.open();
}

QString DataFolder::resolve(const QString &programFolder, const QString &perUserFolder,
                            const QString &installFolder)
{
    const bool installed = !installFolder.isEmpty()
        && QFileInfo(programFolder).canonicalFilePath() == QFileInfo(installFolder).canonicalFilePath();
    if (!installed && isWritableFolder(programFolder))
        return QDir::cleanPath(programFolder);
    QDir().mkpath(perUserFolder);
    return QDir::cleanPath(perUserFolder);
}

QString DataFolder::filePath(const QString &name) const
{
    return QDir(m_path).filePath(name);
}

QString DataFolder::archiveInUse() const
{
    const QString shared = SearchOptionsFile::load(searchOptions()).archive;
    return shared.isEmpty() ? archive() : shared;
}
