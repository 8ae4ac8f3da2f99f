// Phrases a minute when 1, 2 and 4 programs share one list through a
// PostgreSQL archive of the benchmark's own, against the local results
// service, with the pauses shortened as the soak shortens them. Every
// program is a copy of the real one with its own browser, all on this
// machine: the figures show the speed-up and where this machine bounds it.
//
//   bench_sharedlist [--pausa-ms MS] [PHRASES [PROGRAMS...]]
//       60 phrases, 1 2 4 programs and pauses of 100 ms by default
#include "listmachine.h"
#include "pgserver.h"
#include "resultsservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

QString phraseOf(int i)
{
    return QStringLiteral("misura %1").arg(i, 3, 10, QLatin1Char('0'));
}

struct Measure
{
    int printed = 0;
    int twice = 0;
    int failed = 0;               // programs that did not end with 0
    double seconds = 0;           // from the start to the last program's end
    double steadySeconds = 0;     // from the first line printed to the last
};

Measure measure(const ListMachine &setup, int programs)
{
    QTemporaryDir folder;
    QList<QProcess *> running;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < programs; ++i)
        running << setup.start(folder.filePath(QStringLiteral("macchina-%1").arg(i)), nullptr);
    QSet<QString> seen;
    Measure result;
    qint64 first = -1;
    qint64 last = 0;
    const auto readLines = [&] {
        for (QProcess *program : running) {
            while (program->canReadLine()) {
                const QString line = QString::fromUtf8(program->readLine());
                if (ListMachine::isEndLine(line))
                    continue;
                const QString phrase = line.section(QLatin1Char(':'), 0, 0);
                if (seen.contains(phrase))
                    ++result.twice;
                seen.insert(phrase);
                ++result.printed;
                last = clock.elapsed();
                if (first < 0)
                    first = last;
            }
        }
    };
    while (std::any_of(running.begin(), running.end(), [](QProcess *p) { return p->state() != QProcess::NotRunning; })
           && clock.elapsed() < 30 * 60 * 1000) {
        QThread::msleep(50);
        QCoreApplication::processEvents();
        readLines();
    }
    readLines();
    result.seconds = double(clock.elapsed()) / 1000;
    result.steadySeconds = double(last - first) / 1000;
    for (QProcess *program : running) {
        if (program->state() != QProcess::NotRunning || program->exitStatus() != QProcess::NormalExit || program->exitCode() != 0)
            ++result.failed;
        program->kill();
        program->waitForFinished();
    }
    qDeleteAll(running);
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int pause = 100;
    if (arguments.size() >= 2 && arguments.constFirst() == QLatin1String("--pausa-ms")) {
        pause = std::max(1, arguments[1].toInt());
        arguments = arguments.mid(2);
    }
    const int phrases = arguments.isEmpty() ? 60 : std::max(4, arguments.takeFirst().toInt());
    QList<int> counts;
    for (const QString &count : arguments)
        counts << std::max(1, count.toInt());
    if (counts.isEmpty())
        counts = {1, 2, 4};

    PgServer server;
    if (!server.start()) {
        std::fprintf(stderr, "the PostgreSQL server did not start: %s\n", qPrintable(server.problem()));
        return 1;
    }
    qputenv("PGPASSFILE", server.passFile().toLocal8Bit());
    // The hit within the first two pages, as in a real list: one page or two a phrase.
    std::string catalog;
    QStringList list;
    for (int i = 0; i < phrases; ++i) {
        list << phraseOf(i);
        catalog += "[" + phraseOf(i).toStdString() + "]\n@generate " + std::to_string(i % 17) + "\nhttp://www.velmora.it/"
            + std::to_string(i) + "\n@generate 30\n";
    }
    results::Service service(results::Catalog::parse(catalog));
    if (service.start() <= 0) {
        std::fprintf(stderr, "the results service did not start\n");
        return 1;
    }
    const ListMachine setup{QStringLiteral(CERCA_PROGRAM), server.address(), QStringLiteral("misura"), list,
                            QStringLiteral("127.0.0.1:%1").arg(service.port()), QStringLiteral("velmora"), 2, 120, pause};
    std::printf("%d phrases, page limit %d, pauses of %d ms, %d cores\n", phrases, setup.pages, setup.pauseMilliseconds,
                QThread::idealThreadCount());
    std::printf("programs  phrases/min  steady/min  seconds  speed-up\n");
    double alone = 0;
    int status = 0;
    for (int programs : counts) {
        if (!server.clear()) {
            std::fprintf(stderr, "cannot empty the database: %s\n", qPrintable(server.problem()));
            return 1;
        }
        const Measure m = measure(setup, programs);
        const double perMinute = m.printed * 60.0 / m.seconds;
        const double steady = m.steadySeconds > 0 ? (m.printed - 1) * 60.0 / m.steadySeconds : 0;
        if (alone == 0)
            alone = perMinute / programs;
        std::printf("%8d  %11.1f  %10.1f  %7.1f  %8.2f\n", programs, perMinute, steady, m.seconds, perMinute / alone);
        if (m.printed != phrases || m.twice > 0 || m.failed > 0) {
            std::printf("  wrong: %d lines for %d phrases, %d twice, %d programs failed\n", m.printed, phrases, m.twice, m.failed);
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}
