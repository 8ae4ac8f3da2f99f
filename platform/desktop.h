#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The desktop services the program calls on.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // Opens a web address in the user's default browser.
    virtual void openAddress(const QUrl &address) = 0;
    // Starts the user's text editor on a file; nothing is shown if none starts.
    virtual void startEditor(const QString &filePath) = 0;
    virtual void beep() = 0;
    // A short message that does not stop what the program is doing.
    virtual void warn(QWidget *parent, const QString &message) = 0;
};
