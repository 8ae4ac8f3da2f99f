#include "app/form1.h"
#include "fakes.h"
#include "store/outcomes.h"
#include "store/textfile.h"
#include "watchdog.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

// "Andamento delle posizioni", opened from the main window on a small log.
class TestHistory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsEverySearchOfTheLog();
    void emptyLogSaysSo();

private:
    QDialog *open(const QByteArray &log);

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeBrowser m_browser;
    RecordingDesktop m_desktop;
    std::unique_ptr<Form1> m_form;
};

void TestHistory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Form1Options options;
    options.dataFolder = DataFolder(m_dir->path());
    m_form = std::make_unique<Form1>(&m_browser, &m_desktop, options);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestHistory::cleanup()
{
    m_form.reset();
}

QDialog *TestHistory::open(const QByteArray &log)
{
    QFile file(m_dir->filePath(QStringLiteral("Risultato.txt")));
    if (!log.isNull() && file.open(QIODevice::WriteOnly))
        file.write(log);
    file.close();
    m_form->findChild<QAction *>(QStringLiteral("AndamentoPos"))->trigger();
    auto *window = m_form->findChild<QDialog *>(QStringLiteral("Andamento"));
    if (window && !QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

void TestHistory::showsEverySearchOfTheLog()
{
    const QByteArray log =
        "bimby - (http://www.velmora.it/a) < 2024/05/03 - 10:00:00 > \"velmora\" pos. n\xb0 9 (con Google )\r\n"
        "bimby < 2024/05/10 - 10:00:00 > 'velmora' non trovato, ultima posizione controllata 100 (con Google )\r\n"
        "ricette - (http://www.velmora.it/r) < 2024/05/11 - 10:00:00 > \"velmora\" pos. n\xb0 30 (con Google solo ita.)\r\n"
        "scritta a mano\r\n"
        "bimby - (http://www.velmora.it/b) < 2024/05/17 - 10:00:00 > \"velmora\" pos. n\xb0 4 (con Google )\r\n";
    QDialog *window = open(log);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Andamento delle posizioni"));
    QVERIFY(!window->isModal());
    QVERIFY(m_form->isEnabled());

    auto *searches = window->findChild<QListWidget *>(QStringLiteral("Ricerche"));
    QCOMPARE(searches->count(), 2);
    QCOMPARE(searches->item(0)->text(), QStringLiteral("bimby \u2014 velmora \u2014 3 esiti, ultima: 4"));
    QCOMPARE(searches->item(1)->text(), QStringLiteral("ricette \u2014 velmora (solo ita.) \u2014 1 esito, ultima: 30"));
    QCOMPARE(searches->currentRow(), 0);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Stato"))->text(),
             QStringLiteral("1 riga del registro non è stata letta."));

    auto *table = window->findChild<QTableView *>(QStringLiteral("Tabella"));
    QCOMPARE(table->model()->rowCount(), 3);
    QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("non trovato entro 100"));
    table->sortByColumn(1, Qt::AscendingOrder);   // by position: not found after 100 comes last
    QCOMPARE(table->model()->index(0, 1).data().toString(), QStringLiteral("4"));
    QCOMPARE(table->model()->index(2, 1).data().toString(), QStringLiteral("non trovato entro 100"));

    auto *chart = window->findChild<QChartView *>(QStringLiteral("Grafico"))->chart();
    QList<QScatterSeries *> points;
    for (QAbstractSeries *series : chart->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(series))
            points.append(scatter);
    }
    QCOMPARE(points.size(), 2);
    QCOMPARE(points[0]->count(), 2);                   // found
    QCOMPARE(points[1]->count(), 1);                   // not found, at "oltre 100"
    QCOMPARE(points[1]->at(0).y(), 101.0);

    searches->setCurrentRow(1);
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(points[0]->count(), 1);

    // What the export buttons write once the file is chosen.
    const QString csv = m_dir->filePath(QStringLiteral("andamento.csv"));
    const QString png = m_dir->filePath(QStringLiteral("andamento.png"));
    bool written = false;
    QVERIFY(QMetaObject::invokeMethod(window, "exportTable", Q_RETURN_ARG(bool, written), Q_ARG(QString, csv)));
    QVERIFY(written);
    QFile exported(csv);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(exported.readAll(), Outcomes::csv(Outcomes::group(TextFile::decodeLines(log)).searches[1]));
    QVERIFY(QMetaObject::invokeMethod(window, "exportChart", Q_RETURN_ARG(bool, written), Q_ARG(QString, png)));
    QVERIFY(written);
    const QImage image(png);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size() / image.devicePixelRatio(), window->findChild<QChartView *>(QStringLiteral("Grafico"))->size());
}

void TestHistory::emptyLogSaysSo()
{
    QDialog *window = open(QByteArray());
    QVERIFY(window);
    QCOMPARE(window->findChild<QListWidget *>(QStringLiteral("Ricerche"))->count(), 0);
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("Stato"))->text().startsWith(QStringLiteral("Nessun risultato salvato")));
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("EsportaCsv"))->isEnabled());
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("EsportaPng"))->isEnabled());
}

CERCA_WATCHED_TEST_MAIN(TestHistory)
#include "tst_history.moc"
