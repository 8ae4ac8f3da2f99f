#include "cli/commandline.h"

#include "search/placequery.h"
#include "store/archive.h"
#include "model/settling.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <tuple>

namespace {

constexpr int kMinimumPause = ListRun::kMinimumPauseSeconds;

QList<QCommandLineOption> options()
{
    return {
        {{QStringLiteral("e"), QStringLiteral("elenco")}, QStringLiteral("Il file delle frasi, una per riga."), QStringLiteral("FILE")},
        {{QStringLiteral("f"), QStringLiteral("frammento")}, QStringLiteral("La parte dell'indirizzo da cercare."), QStringLiteral("TESTO")},
        {{QStringLiteral("p"), QStringLiteral("pagine")},
         QStringLiteral("Quante pagine di risultati controllare (%1).").arg(RunInputs::kDefaultPageLimit), QStringLiteral("N")},
        {{QStringLiteral("i"), QStringLiteral("solo-italiano")}, QStringLiteral("Cerca solo pagine in italiano.")},
        {{QStringLiteral("s"), QStringLiteral("pausa")},
         QStringLiteral("Pausa media tra le frasi in secondi, almeno %1 (%2).")
             .arg(kMinimumPause)
             .arg(ListRun::kDefaultPauseSeconds),
         QStringLiteral("S")},
        {{QStringLiteral("a"), QStringLiteral("attesa")},
         QStringLiteral("Secondi di attesa di una pagina, poi la frase è \"pagina non caricata\" (%1).")
             .arg(ListRun::kDefaultPageSeconds),
         QStringLiteral("S")},
        {QStringLiteral("attesa-lettura"),
         QStringLiteral("Secondi al massimo dopo il caricamento perché la pagina si assesti prima di leggerla, "
                        "da 0 a %1 (quelli delle opzioni di ricerca, %2 se mancano).")
             .arg(Settling::kLongestSeconds)
             .arg(Settling::kDefaultSeconds),
         QStringLiteral("S")},
        {{QStringLiteral("w"), QStringLiteral("pausa-verifica")},
         QStringLiteral("Dopo una pagina di verifica, secondi di pausa prima di riprovare, doppi a ogni verifica di "
                        "seguito, al più %1 (%2).")
             .arg(CoolDown::kLongestSeconds)
             .arg(CoolDown::kDefaultFirstSeconds),
         QStringLiteral("S")},
        {{QStringLiteral("z"), QStringLiteral("attesa-verifica")},
         QStringLiteral("Secondi di pausa per le verifiche in tutto, poi l'elenco si ferma (uscita 3); 0 subito (%1).")
             .arg(CoolDown::kDefaultTotalSeconds),
         QStringLiteral("S")},
        {{QStringLiteral("o"), QStringLiteral("riepilogo")},
         QStringLiteral("Scrive alla fine in un file CSV ogni frase: la posizione prima, quella di ora, la variazione."),
         QStringLiteral("FILE")},
        {{QStringLiteral("d"), QStringLiteral("dispositivo")},
         QStringLiteral("Il dispositivo della ricerca: computer o smartphone (computer)."), QStringLiteral("NOME")},
        {{QStringLiteral("c"), QStringLiteral("paese")},
         QStringLiteral("Il paese della ricerca, in due lettere: il dominio di Google e gl (it)."), QStringLiteral("CC")},
        {{QStringLiteral("l"), QStringLiteral("lingua")}, QStringLiteral("La lingua dell'interfaccia, hl (it)."),
         QStringLiteral("LL")},
        {{QStringLiteral("u"), QStringLiteral("luogo")},
         QStringLiteral("La città o la regione, col nome di Google (\"Milan,Lombardy,Italy\")."), QStringLiteral("NOME")},
        {{QStringLiteral("k"), QStringLiteral("prove")},
         QStringLiteral("Quante immagini della pagina letta tenere per frase, dispositivo e luogo; 0 nessuna (%1).")
             .arg(RunPictures::kKeptByDefault),
         QStringLiteral("N")},
        {{QStringLiteral("b"), QStringLiteral("archivio")},
         QStringLiteral("L'archivio condiviso, postgresql://UTENTE@HOST:PORTA/DB; la password in ~/.pgpass."),
         QStringLiteral("URL")},
        {{QStringLiteral("g"), QStringLiteral("condiviso")},
         QStringLiteral("Con --elenco e --archivio: l'elenco diviso con altre macchine, sotto questo nome."),
         QStringLiteral("NOME")},
        {{QStringLiteral("r"), QStringLiteral("riprendi")},
         QStringLiteral("Continua l'ultimo giro non finito dello stesso elenco.")},
        {{QStringLiteral("x"), QStringLiteral("esporta-archivio")},
         QStringLiteral("Scrive i risultati archiviati in un file CSV, senza finestra."), QStringLiteral("FILE")},
        {{QStringLiteral("t"), QStringLiteral("frase")},
         QStringLiteral("Con --esporta-archivio: solo questa frase; con --griglia: la frase da cercare."), QStringLiteral("TESTO")},
        {{QStringLiteral("G"), QStringLiteral("griglia")},
         QStringLiteral("Una griglia di N x N ricerche attorno a --centro, N dispari da %1 a %2.")
             .arg(GridPlan::kSmallest)
             .arg(GridPlan::kLargest),
         QStringLiteral("N")},
        {{QStringLiteral("C"), QStringLiteral("centro")},
         QStringLiteral("Con --griglia: il centro, latitudine e longitudine in gradi (\"45.4642,9.1900\")."),
         QStringLiteral("LAT,LON")},
        {{QStringLiteral("P"), QStringLiteral("passo")},
         QStringLiteral("Con --griglia: la distanza tra i punti in km, da %1 a %2.")
             .arg(QString::number(GridPlan::kNearestKm), QString::number(GridPlan::kFarthestKm)),
         QStringLiteral("KM")},
        {{QStringLiteral("O"), QStringLiteral("ogni-lettura")},
         QStringLiteral("Con --esporta-archivio: anche le letture che una rilettura ha sostituito, con il lettore di ognuna.")},
        {{QStringLiteral("R"), QStringLiteral("rileggi")},
         QStringLiteral("Rilegge le pagine tenute nell'archivio con il lettore di oggi (di una FRASE sola, se data).")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Mostra questo aiuto.")},
        {{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Mostra la versione.")},
    };
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options());
    const auto fail = [&line](const QString &message) {
        line.action = Action::Error;
        line.error = QStringLiteral("cerca-posizione: ") + message;
        return line;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    const bool rereading = parser.isSet(QStringLiteral("rileggi"));
    if (parser.positionalArguments().size() > (rereading ? 1 : 0))
        return fail(QStringLiteral("argomento inatteso: %1").arg(parser.positionalArguments().constLast()));
    if (parser.isSet(QStringLiteral("help"))) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = Action::Version;
        return line;
    }
    const bool grid = parser.isSet(QStringLiteral("griglia"));
    const bool list = parser.isSet(QStringLiteral("elenco"));
    const bool exporting = parser.isSet(QStringLiteral("esporta-archivio"));
    if (grid && (list || exporting || rereading))
        return fail(QStringLiteral("--griglia va da sola, con le opzioni di una ricerca"));
    for (const char *name : {"centro", "passo"}) {
        if (!grid && parser.isSet(QString::fromLatin1(name)))
            return fail(QStringLiteral("--%1 vale solo con --griglia N").arg(QString::fromLatin1(name)));
    }
    if (rereading) {
        if (list || exporting)
            return fail(QStringLiteral("--rileggi va da solo (con --archivio, se condiviso)"));
        line.action = Action::Reread;
        line.phrase = parser.positionalArguments().value(0);
    }
    if (parser.isSet(QStringLiteral("frase")) && !exporting && !grid)
        return fail(QStringLiteral("--frase vale solo con --esporta-archivio FILE o --griglia N"));
    if (parser.isSet(QStringLiteral("ogni-lettura")) && !exporting)
        return fail(QStringLiteral("--ogni-lettura vale solo con --esporta-archivio FILE"));
    if (exporting) {
        if (list)
            return fail(QStringLiteral("--esporta-archivio e --elenco non vanno insieme"));
        if (parser.value(QStringLiteral("esporta-archivio")).isEmpty())
            return fail(QStringLiteral("--esporta-archivio vuole il nome del file CSV"));
        line.action = Action::Export;
        line.exportFile = parser.value(QStringLiteral("esporta-archivio"));
        line.phrase = parser.value(QStringLiteral("frase"));
        line.everyReading = parser.isSet(QStringLiteral("ogni-lettura"));
    }
    for (const char *name : {"frammento", "pagine", "solo-italiano", "pausa", "attesa", "attesa-lettura", "riprendi",
                              "dispositivo", "paese", "lingua", "luogo", "prove", "pausa-verifica", "attesa-verifica",
                              "riepilogo"}) {
        if (!list && !grid && parser.isSet(QString::fromLatin1(name)))
            return fail(QStringLiteral("--%1 vale solo con --elenco FILE o --griglia N").arg(QString::fromLatin1(name)));
    }
    if (!list && !grid)
        return line;
    if (grid) {
        // The points are the places: no other place, summary or shared list.
        for (const char *name : {"luogo", "riepilogo", "condiviso"}) {
            if (parser.isSet(QString::fromLatin1(name)))
                return fail(QStringLiteral("--%1 non vale con --griglia").arg(QString::fromLatin1(name)));
        }
        line.action = Action::Grid;
        bool sizeOk = false;
        line.grid.size = parser.value(QStringLiteral("griglia")).toInt(&sizeOk);
        if (!sizeOk)
            return fail(QStringLiteral("--griglia vuole un numero intero dispari da %1 a %2, non \"%3\"")
                            .arg(GridPlan::kSmallest)
                            .arg(GridPlan::kLargest)
                            .arg(parser.value(QStringLiteral("griglia"))));
        const std::optional<Coordinates> centre = SearchPlaces::coordinatesOf(parser.value(QStringLiteral("centro")));
        if (!centre)
            return fail(QStringLiteral("--centro vuole latitudine e longitudine in gradi, come \"45.4642,9.1900\", non \"%1\"")
                            .arg(parser.value(QStringLiteral("centro"))));
        line.grid.centre = *centre;
        bool spacingOk = false;
        line.grid.spacingKm = parser.value(QStringLiteral("passo")).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&spacingOk);
        if (!spacingOk)
            return fail(QStringLiteral("--passo vuole la distanza tra i punti in km, come \"1.5\", non \"%1\"")
                            .arg(parser.value(QStringLiteral("passo"))));
        line.grid.phrase = parser.value(QStringLiteral("frase")).trimmed();
        line.grid.fragment = parser.value(QStringLiteral("frammento")).trimmed();
        line.phrase = line.grid.phrase;
        if (const std::optional<QString> problem = line.grid.problem())
            return fail(*problem);
    } else {
        line.action = Action::List;
    }
    line.listFile = parser.value(QStringLiteral("elenco"));
    if (!parser.isSet(QStringLiteral("frammento")) || parser.value(QStringLiteral("frammento")).isEmpty())
        return fail(QStringLiteral("manca --frammento TESTO, la parte dell'indirizzo da cercare"));
    line.fragment = parser.value(QStringLiteral("frammento"));
    if (parser.isSet(QStringLiteral("pagine"))) {
        bool ok = false;
        const int pages = parser.value(QStringLiteral("pagine")).toInt(&ok);
        if (!ok || pages < 1)
            return fail(QStringLiteral("--pagine vuole un numero intero da 1 in su, non \"%1\"").arg(parser.value(QStringLiteral("pagine"))));
        line.pageLimit = QString::number(pages);
    }
    line.italianOnly = parser.isSet(QStringLiteral("solo-italiano"));
    if (parser.isSet(QStringLiteral("pausa"))) {
        bool ok = false;
        const int pause = parser.value(QStringLiteral("pausa")).toInt(&ok);
        if (!ok || pause < kMinimumPause)
            return fail(QStringLiteral("--pausa vuole un numero intero di secondi, almeno %1, non \"%2\"")
                            .arg(kMinimumPause)
                            .arg(parser.value(QStringLiteral("pausa"))));
        line.pauseSeconds = pause;
    }
    if (parser.isSet(QStringLiteral("attesa"))) {
        bool ok = false;
        const int wait = parser.value(QStringLiteral("attesa")).toInt(&ok);
        if (!ok || wait < 1)
            return fail(QStringLiteral("--attesa vuole un numero intero di secondi da 1 in su, non \"%1\"")
                            .arg(parser.value(QStringLiteral("attesa"))));
        line.pageSeconds = wait;
    }
    if (parser.isSet(QStringLiteral("attesa-lettura"))) {
        bool ok = false;
        const int settle = parser.value(QStringLiteral("attesa-lettura")).toInt(&ok);
        if (!ok || settle < 0 || settle > Settling::kLongestSeconds)
            return fail(QStringLiteral("--attesa-lettura vuole un numero intero di secondi da 0 a %1, non \"%2\"")
                            .arg(Settling::kLongestSeconds)
                            .arg(parser.value(QStringLiteral("attesa-lettura"))));
        line.settleSeconds = settle;
    }
    for (const auto &[name, least, value] : {std::tuple{"pausa-verifica", 1, &line.coolDownSeconds},
                                             std::tuple{"attesa-verifica", 0, &line.coolDownTotalSeconds}}) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option))
            continue;
        bool ok = false;
        *value = parser.value(option).toInt(&ok);
        if (!ok || *value < least)
            return fail(QStringLiteral("--%1 vuole un numero intero di secondi da %2 in su, non \"%3\"")
                            .arg(option)
                            .arg(least)
                            .arg(parser.value(option)));
    }
    line.resume = parser.isSet(QStringLiteral("riprendi"));
    if (parser.isSet(QStringLiteral("riepilogo"))) {
        line.summaryFile = parser.value(QStringLiteral("riepilogo"));
        if (line.summaryFile.isEmpty())
            return fail(QStringLiteral("--riepilogo vuole il nome del file CSV"));
    }
    if (parser.isSet(QStringLiteral("dispositivo"))) {
        const std::optional<Device> device = SearchPlaces::deviceNamed(parser.value(QStringLiteral("dispositivo")));
        if (!device)
            return fail(QStringLiteral("--dispositivo vuole computer o smartphone, non \"%1\"")
                            .arg(parser.value(QStringLiteral("dispositivo"))));
        line.place.device = *device;
    }
    if (parser.isSet(QStringLiteral("paese")))
        line.place.country = parser.value(QStringLiteral("paese")).trimmed().toLower();
    if (parser.isSet(QStringLiteral("lingua")))
        line.place.language = parser.value(QStringLiteral("lingua")).trimmed();
    if (parser.isSet(QStringLiteral("luogo")))
        line.place.place = parser.value(QStringLiteral("luogo")).trimmed();
    if (const std::optional<QString> problem = PlaceQuery::problem(line.place))
        return fail(*problem);
    if (parser.isSet(QStringLiteral("archivio"))) {
        line.archive = parser.value(QStringLiteral("archivio")).trimmed();
        if (const std::optional<QString> problem = Archive::addressProblem(line.archive))
            return fail(QStringLiteral("--archivio: ") + *problem);
    }
    if (parser.isSet(QStringLiteral("condiviso"))) {
        line.sharedList = parser.value(QStringLiteral("condiviso")).trimmed();
        if (line.sharedList.isEmpty() || line.listFile.isEmpty())
            return fail(QStringLiteral("--condiviso vuole un nome, e un elenco (--elenco)"));
    }
    if (parser.isSet(QStringLiteral("prove"))) {
        bool ok = false;
        line.picturesKept = parser.value(QStringLiteral("prove")).toInt(&ok);
        if (!ok || line.picturesKept < 0)
            return fail(QStringLiteral("--prove vuole un numero intero da 0 in su, non \"%1\"").arg(parser.value(QStringLiteral("prove"))));
    }
    return line;
}

QString CommandLine::help()
{
    QString text = QStringLiteral(
        "Uso: cerca-posizione [--elenco FILE --frammento TESTO [--pagine N] [--solo-italiano] [--pausa S]\n"
        "                      [--attesa S] [--attesa-lettura S] [--riprendi] [--pausa-verifica S]\n"
        "                      [--attesa-verifica S] [--riepilogo FILE.csv]\n"
        "                      [--dispositivo NOME] [--paese CC] [--lingua LL]\n"
        "                      [--luogo NOME] [--prove N] [--archivio URL [--condiviso NOME]]]\n"
        "       cerca-posizione --griglia N --centro LAT,LON --passo KM --frase TESTO --frammento TESTO\n"
        "                      [le opzioni di un elenco, senza --luogo]\n"
        "       cerca-posizione --esporta-archivio FILE.csv [--frase TESTO] [--ogni-lettura]\n"
        "       cerca-posizione --rileggi [FRASE]\n"
        "Senza argomenti apre la finestra. Con --elenco cerca ogni frase del file, senza finestra, e\n"
        "aggiunge ogni esito al registro dei risultati (Risultato.txt), come \"Salva risultato\".\n"
        "Ogni ricerca finisce anche nell'archivio (Archivio.sqlite); --esporta-archivio ne scrive i\n"
        "risultati in CSV (UTF-8), una riga per risultato. Le pagine lette restano nell'archivio, per\n"
        "le ultime ricerche di ogni frase (quante dice --prove); --rileggi le rilegge, senza rete,\n"
        "con il lettore di oggi, e dice le posizioni cambiate.\n\n");
    for (const QCommandLineOption &option : options()) {
        QString names = QStringLiteral("-%1, --%2").arg(option.names().at(0), option.names().at(1));
        if (!option.valueName().isEmpty())
            names += QLatin1Char(' ') + option.valueName();
        text += QStringLiteral("  %1 %2\n").arg(names.leftJustified(28), option.description());
    }
    text += QStringLiteral("\nUna riga per frase: \"frase: posizione N (indirizzo)\" o \"frase: non trovato entro N\",\n"
                           "con \", citato nella Panoramica AI (fonte 2 di 6)\" quando il frammento è tra le sue fonti,\n"
                           "al posto in cui la Panoramica lo mostra; fuori dalle\n"
                           "opzioni predefinite la frase porta il dispositivo e il luogo: \"bimby [smartphone, Milan]\".\n"
                           "Ogni pausa varia tra metà e una volta e mezza della media, mai sotto %1 secondi.\n"
                           "Una pagina che non arriva in tempo, o che il server non dà (riprovata una volta), dà\n"
                           "\"frase: pagina non caricata\"; una pagina che il programma non sa leggere dà\n"
                           "\"frase: pagina non letta (salvata in FILE)\"; nessuna delle due ha una riga nel registro.\n"
                           "In fondo, una riga con quel che si è mosso rispetto al giro prima nell'archivio, e la pausa\n"
                           "media raggiunta: \"frasi.txt: 200 frasi, 37 salite, 21 scese, 128 uguali, 5 entrate nei\n"
                           "primi 10, 3 uscite, 6 non controllate; pausa media tra le frasi 20 s\".\n"
                           "Con --griglia, una ricerca da ogni punto di una griglia N x N attorno a --centro, a --passo km\n"
                           "l'uno dall'altro, e una riga per punto: \"45.4732,9.1900: nel pacchetto locale 2, posizione 14\";\n"
                           "in fondo il posto medio nel pacchetto dove c'è, quello contando 4 dove manca, la quota dei punti\n"
                           "nel pacchetto, e il confronto con la griglia prima. --riprendi continua una griglia interrotta.\n"
                           "Uscita: 0 ogni frase cercata; 1 browser non disponibile; 2 argomenti o file sbagliati;\n"
                           "3 una pagina chiede una risposta (consenso o verifica) e le pause per le verifiche sono\n"
                           "finite; 4 ogni frase provata, ma qualcuna\n"
                           "con una pagina non caricata o non letta.\n")
                .arg(kMinimumPause);
    return text;
}

QString CommandLine::version()
{
    return QStringLiteral("cerca-posizione %1").arg(QStringLiteral(CERCA_VERSION));
}
