#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// The browser's profile folder: cookies, so that a consent given once stays
// given. Chromium allows one browser per profile folder; a second copy of the
// program runs on a copy of it, removed when that copy ends. The choice is
// taken under a lock of our own, held while this object lives, so that two
// programs started in the same instant never both take the profile.
class ProfileFolder
{
public:
    // How long a program waits for another that holds the profile with no
    // browser in it.
    static constexpr int kMomentBetweenBrowsersMilliseconds = 1500;

    explicit ProfileFolder(QString folder) : m_folder(std::move(folder)) {}

    // The folder the browser is to use: the profile itself, or a fresh copy
    // of it when another program holds it.
    QString acquire();
    // The browser has ended: the profile is free for another program, and a
    // copy taken is removed.
    void release();

    // Whether a running browser holds the folder (its lock names a live
    // process on this machine).
    static bool inUse(const QString &folder);
    // Copies what a browser keeps of a profile, without its locks and caches.
    static bool copyProfile(const QString &from, const QString &to);

private:
    QString m_folder;
    QLockFile m_lock{m_folder + QStringLiteral(".lock")};
    std::unique_ptr<QTemporaryDir> m_copy;
};
