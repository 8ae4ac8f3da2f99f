#pragma once

#include "platform/desktop.h"

#include <cstdio>

// The desktop of a run without a window: messages go to standard error,
// nothing is opened and nothing beeps.
class ConsoleDesktop : public Desktop
{
public:
    void openAddress(const QUrl &) override {}
    void startEditor(const QString &) override {}
    void beep() override {}
    void warn(QWidget *, const QString &message) override
    {
        std::fprintf(stderr, "cerca-posizione: %s\n", qPrintable(message));
    }
};
