#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// The browser's profile folder: cookies, so that a consent given once stays
// given. Chromium allows one browser per profile folder; a second copy of the
// program runs on a copy of it, removed when that copy ends.
class ProfileFolder
{
public:
    explicit ProfileFolder(QString folder) : m_folder(std::move(folder)) {}

    // The folder the browser is to use: the profile itself, or a fresh copy
    // of it when a browser of another process holds it.
    QString acquire();

    // Whether a running browser holds the folder (its lock names a live
    // process on this machine).
    static bool inUse(const QString &folder);
    // Copies what a browser keeps of a profile, without its locks and caches.
    static bool copyProfile(const QString &from, const QString &to);

private:
    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_copy;
};
