#pragma once

#include <QString>

// What a list without a window tells the desktop: a notification through
// org.freedesktop.Notifications on the session bus, when there is a bus and
// a service on it. Without one nothing is said here: the lines on standard
// error say it all.
class DesktopNotices
{
public:
    static constexpr int kAnswerMilliseconds = 2000;

    // Whether the notification was taken.
    static bool notify(const QString &summary, const QString &body);

    // "Google chiede una verifica (elenco frasi.txt, frase 41 di 200): la
    // ricerca riprova alle 10:40. ..."
    static QString checkPage(const QString &listName, int phrase, int phrases, const QString &retryAt);
};
