// "Apri nel programma" on result logs of 10,000, 100,000 and 200,000 lines:
// the time from the command to the filled list. Prints the best of 3 each.
#include "app/form1.h"
#include "app/listbox.h"
#include "platform/browser.h"
#include "platform/desktop.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

class NoBrowser : public Browser
{
public:
    void navigate2(const QString &) override {}
    std::optional<QString> pageText() const override { return std::nullopt; }
    PageLinks pageLinks() const override { return {}; }
};

class NoDesktop : public Desktop
{
public:
    void openAddress(const QUrl &) override {}
    void startEditor(const QString &) override {}
    void beep() override {}
    void warn(QWidget *, const QString &) override {}
};

void writeLog(const QString &path, int lines)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray data;
    for (int i = 0; i < lines; ++i) {
        // Phrases in no particular order, as a real log has them.
        const int key = int((i * 2654435761u) % 100000u);
        data += "ricerca " + QByteArray::number(key) + " - (http://www.sito" + QByteArray::number(i)
            + ".it/pagina) < 2024/05/17 - 14:03:09 > \"velmora\" pos. n\xB0 7 (con Google )\r\n";
    }
    file.write(data);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    NoBrowser browser;
    NoDesktop desktop;
    double previous = 0;
    for (int lines : {10000, 100000, 200000}) {
        QTemporaryDir dir;
        writeLog(dir.filePath(QStringLiteral("Risultato.txt")), lines);
        Form1Options options;
        options.dataFolder = DataFolder(dir.path());
        SearchRun run(&browser, SearchRunOptions());
        Form1 form(&run, &desktop, options);
        form.show();
        QAction *apriProg = form.findChild<QAction *>(QStringLiteral("ApriProg"));
        double best = 1e300;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            apriProg->trigger();
            QApplication::processEvents();
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
        const int shown = form.findChild<ListBox *>(QStringLiteral("List2"))->count();
        std::printf("%6d lines: %7.1f ms (%d entries)", lines, best, shown);
        if (previous > 0)
            std::printf("  x%.2f of the previous", best / previous);
        std::printf("\n");
        previous = best;
    }
    return 0;
}
