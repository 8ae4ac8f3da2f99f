#pragma once

#include "platform/desktop.h"

#include <QStringList>
#include <functional>

class QtDesktop : public Desktop
{
public:
    // Starts a program on its own, without waiting for it or watching it.
    using ProcessStarter = std::function<bool(const QString &program, const QStringList &arguments)>;

    explicit QtDesktop(ProcessStarter startProcess = defaultStarter());
    static ProcessStarter defaultStarter();

    void openAddress(const QUrl &address) override;
    void startEditor(const QString &filePath) override;
    void beep() override;
    void warn(QWidget *parent, const QString &message) override;

private:
    ProcessStarter m_startProcess;
};
