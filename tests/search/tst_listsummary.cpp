#include "search/listsummary.h"
#include "watchdog.h"

#include <QTest>

Q_DECLARE_METATYPE(ListSummary::Change)

// What moved in a list, as a rule over values: each phrase against its run
// before, counted and written.
class TestListSummary : public QObject
{
    Q_OBJECT
private slots:
    void changeOfAPhrase_data();
    void changeOfAPhrase();
    void lineAndRowsOfAList();
};

namespace {

using Position = std::optional<qint64>;
constexpr Position none = std::nullopt;

ListSummary::Phrase phraseOf(const QString &phrase, bool ranBefore, Position before, bool checked, Position after)
{
    ListSummary::Phrase row;
    row.phrase = phrase;
    row.ranBefore = ranBefore;
    row.before = before;
    row.checked = checked;
    row.after = after;
    return row;
}

} // namespace

void TestListSummary::changeOfAPhrase_data()
{
    QTest::addColumn<ListSummary::Phrase>("phrase");
    QTest::addColumn<ListSummary::Change>("change");
    using C = ListSummary::Change;
    QTest::newRow("up within the first 10") << phraseOf("a", true, 8, true, 3) << C::Up;
    QTest::newRow("up outside them") << phraseOf("a", true, none, true, 40) << C::Up;
    QTest::newRow("down") << phraseOf("a", true, 3, true, 8) << C::Down;
    QTest::newRow("down to not found, outside") << phraseOf("a", true, 40, true, none) << C::Down;
    QTest::newRow("the same") << phraseOf("a", true, 4, true, 4) << C::Same;
    QTest::newRow("not found both times") << phraseOf("a", true, none, true, none) << C::Same;
    QTest::newRow("in at the 10th") << phraseOf("a", true, 11, true, 10) << C::Entered;
    QTest::newRow("in from not found") << phraseOf("a", true, none, true, 1) << C::Entered;
    QTest::newRow("new, in the first 10") << phraseOf("a", false, none, true, 2) << C::Entered;
    QTest::newRow("new, outside them") << phraseOf("a", false, none, true, 20) << C::New;
    QTest::newRow("out") << phraseOf("a", true, 10, true, 11) << C::Left;
    QTest::newRow("out to not found") << phraseOf("a", true, 1, true, none) << C::Left;
    QTest::newRow("not checked") << phraseOf("a", true, 1, false, none) << C::Unchecked;
}

void TestListSummary::changeOfAPhrase()
{
    QFETCH(ListSummary::Phrase, phrase);
    QTEST(ListSummary::changeOf(phrase), "change");
}

void TestListSummary::lineAndRowsOfAList()
{
    ListSummary summary;
    summary.add(phraseOf("bimby", true, 12, true, 4));
    summary.add(phraseOf("=torta, dolce", true, 4, true, 6));
    summary.add(phraseOf("nuova", false, none, true, none));
    ListSummary::Phrase unchecked = phraseOf("muta", true, none, false, none);
    unchecked.why = QStringLiteral("pagina non caricata");
    summary.add(unchecked);
    QCOMPARE(summary.line(QStringLiteral("frasi.txt")),
             QStringLiteral("frasi.txt: 4 frasi, 0 salite, 1 scese, 0 uguali, 1 entrate nei primi 10, 0 uscite, 1 nuove, "
                            "1 non controllate"));
    QCOMPARE(summary.csv(), QByteArray("frase,prima,dopo,variazione,esito\r\n"
                                       "bimby,12,4,+8,entrata nei primi 10\r\n"
                                       "\"'=torta, dolce\",4,6,-2,scesa\r\n"
                                       "nuova,,non trovata,,nuova\r\n"
                                       "muta,non trovata,,,non controllata: pagina non caricata\r\n"));
}

CERCA_WATCHED_GUILESS_TEST_MAIN(TestListSummary)

#include "tst_listsummary.moc"
