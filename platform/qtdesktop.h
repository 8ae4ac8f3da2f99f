#pragma once

#include "platform/desktop.h"

class QtDesktop : public Desktop
{
public:
    void openAddress(const QUrl &address) override;
    void startEditor(const QString &filePath) override;
    void beep() override;
    void warn(QWidget *parent, const QString &message) override;
};
