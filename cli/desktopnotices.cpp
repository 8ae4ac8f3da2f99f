#include "cli/desktopnotices.h"

#include "search/runoutcome.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool DesktopNotices::notify(const QString &summary, const QString &body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    call << QStringLiteral("Cerca Posizione") << 0u << QStringLiteral("cerca-posizione") << summary << body << QStringList()
         << QVariantMap() << -1;
    // Waited for, briefly: a program about to end would otherwise leave it unsent.
    return bus.call(call, QDBus::Block, kAnswerMilliseconds).type() == QDBusMessage::ReplyMessage;
}

QString DesktopNotices::checkPage(const QString &listName, int phrase, int phrases, const QString &retryAt)
{
    return QStringLiteral("%1 chiede una verifica (elenco %2, frase %3 di %4): la ricerca riprova alle %5. Per rispondere "
                          "subito apri Cerca Posizione e fai una ricerca.")
        .arg(QLatin1String(RunOutcome::kEngine), listName)
        .arg(phrase)
        .arg(phrases)
        .arg(retryAt);
}
