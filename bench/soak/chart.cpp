#include "soakreport.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QLineSeries>
#include <QValueAxis>

namespace soak {

int drawMemoryChart(const QString &csv, const QString &png, int argc, char *argv[])
{
    QFile file(csv);
    if (png.isEmpty() || !file.open(QIODevice::ReadOnly))
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto *program = new QLineSeries;
    program->setName(QStringLiteral("programma, memoria privata scritta (MB)"));
    auto *browser = new QLineSeries;
    browser->setName(QStringLiteral("browser, PSS dei processi (MB)"));
    double top = 0;
    double programTop = 0;
    double end = 0;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() < 4)
            continue;
        const double minutes = fields[0].toDouble() / 60;
        program->append(minutes, fields[2].toDouble() / 1024);
        browser->append(minutes, fields[3].toDouble() / 1024);
        top = std::max(top, fields[3].toDouble() / 1024);
        programTop = std::max(programTop, fields[2].toDouble() / 1024);
        end = minutes;
    }
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Memoria durante la prova lunga"));
    chart->addSeries(program);
    chart->addSeries(browser);
    auto *x = new QValueAxis;
    x->setTitleText(QStringLiteral("minuti"));
    x->setRange(0, std::max(1.0, end));
    // Two scales: the browser's hundreds of megabytes would flatten the program's few.
    auto *y = new QValueAxis;
    y->setTitleText(QStringLiteral("browser, MB"));
    y->setRange(0, top * 1.1 + 1);
    auto *yProgram = new QValueAxis;
    yProgram->setTitleText(QStringLiteral("programma, MB"));
    yProgram->setRange(0, programTop * 1.3 + 1);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    chart->addAxis(yProgram, Qt::AlignRight);
    browser->attachAxis(x);
    browser->attachAxis(y);
    program->attachAxis(x);
    program->attachAxis(yProgram);
    QChartView view(chart);
    view.setRenderHint(QPainter::Antialiasing);
    view.resize(900, 450);
    return view.grab().save(png) ? 0 : 1;
}

} // namespace soak
