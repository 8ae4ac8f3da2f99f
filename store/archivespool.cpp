#include "store/archivespool.h"

#include "store/archiverows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <csignal>

namespace ArchiveSpool {

namespace {

const char *const kKinds[] = {"inizio", "pagina", "fine", "immagine"};

// The local pack's businesses, each [name, website, maps].
QJsonArray packJson(const QList<PackEntry> &pack)
{
    QJsonArray entries;
    for (const PackEntry &entry : pack)
        entries.append(QJsonArray{entry.name, entry.website, entry.maps});
    return entries;
}

QString fileFor(const QString &archive, qint64 pid)
{
    return QStringLiteral("%1-in-attesa-%2.jsonl").arg(archive).arg(pid);
}

QString countOf(const QString &file)
{
    return file + QStringLiteral(".scritti");
}

QString ownFile(const QString &archive)
{
    return fileFor(archive, QCoreApplication::applicationPid());
}

bool processAlive(qint64 pid)
{
    return pid == QCoreApplication::applicationPid() || ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QByteArray encode(const ArchiveRecord &record)
{
    QJsonObject object{{QStringLiteral("tipo"), QLatin1String(kKinds[int(record.kind)])},
                       {QStringLiteral("ricerca"), QString::number(record.handle)}};
    if (record.runId)
        object.insert(QStringLiteral("id"), QString::number(*record.runId));
    switch (record.kind) {
    case ArchiveRecord::Kind::Begin: {
        const ArchivedRun &run = record.run;
        object.insert(QStringLiteral("frase"), run.phrase);
        object.insert(QStringLiteral("dispositivo"), SearchPlaces::deviceName(run.place.device));
        object.insert(QStringLiteral("paese"), run.place.country);
        object.insert(QStringLiteral("lingua"), run.place.language);
        object.insert(QStringLiteral("luogo"), run.place.place);
        object.insert(QStringLiteral("host"), run.host);
        object.insert(QStringLiteral("italiano"), run.italianOnly);
        object.insert(QStringLiteral("frammento"), run.fragment);
        object.insert(QStringLiteral("inizio"), ArchiveRows::timeText(run.started));
        object.insert(QStringLiteral("segno"), run.token);
        break;
    }
    case ArchiveRecord::Kind::Page: {
        const ArchivedPage &page = record.page;
        object.insert(QStringLiteral("offset"), page.offset);
        object.insert(QStringLiteral("letta"), ArchiveRows::timeText(page.readAt));
        object.insert(QStringLiteral("lettura"), ArchiveRows::readingName(page.reading));
        QJsonArray results;
        for (const ArchivedResult &result : page.results)
            results.append(QJsonArray{result.position, result.address, result.title});
        object.insert(QStringLiteral("risultati"), results);
        if (page.reader > 0)
            object.insert(QStringLiteral("lettore"), page.reader);
        if (!page.kept.compressed.isEmpty()) {
            object.insert(QStringLiteral("pagina"),
                          QJsonObject{{QStringLiteral("zstd"), QString::fromLatin1(page.kept.compressed.toBase64())},
                                      {QStringLiteral("lettore"), page.kept.reader},
                                      {QStringLiteral("tenute"), page.kept.runs}});
        }
        if (page.features) {
            const PageFeatures &features = *page.features;
            object.insert(QStringLiteral("blocchi"),
                          QJsonObject{{QStringLiteral("annunci sopra"), features.adsTop},
                                      {QStringLiteral("annunci sotto"), features.adsBottom},
                                      {QStringLiteral("in evidenza"), features.featured},
                                      {QStringLiteral("panoramica"), features.aiOverview},
                                      {QStringLiteral("citati"), QJsonArray::fromStringList(features.aiCited)},
                                      {QStringLiteral("domande"), features.questions},
                                      {QStringLiteral("panoramica in corso"), features.aiLoading},
                                      {QStringLiteral("luoghi"), packJson(features.pack)}});
        }
        break;
    }
    case ArchiveRecord::Kind::End:
        object.insert(QStringLiteral("esito"), RunEnds::name(record.end));
        object.insert(QStringLiteral("posizione"), record.position);
        if (record.packPlace > 0)
            object.insert(QStringLiteral("pacchetto locale"), record.packPlace);
        object.insert(QStringLiteral("fine"), ArchiveRows::timeText(record.ended));
        break;
    case ArchiveRecord::Kind::Picture: {
        const ArchivedPicture &picture = record.picture;
        object.insert(QStringLiteral("file"), picture.file);
        object.insert(QStringLiteral("byte"), picture.bytes);
        object.insert(QStringLiteral("riquadro"), QJsonArray{picture.hitBox.x(), picture.hitBox.y(), picture.hitBox.width(),
                                                            picture.hitBox.height()});
        object.insert(QStringLiteral("misura"), QJsonArray{picture.size.width(), picture.size.height()});
        if (!picture.jpeg.isEmpty())
            object.insert(QStringLiteral("jpeg"), QString::fromLatin1(picture.jpeg.toBase64()));
        break;
    }
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ArchiveRecord> decode(const QByteArray &line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    ArchiveRecord record;
    bool number = false;
    record.handle = object.value(QStringLiteral("ricerca")).toString().toULongLong(&number);
    if (!number)
        return std::nullopt;
    int index = -1;
    for (int i = 0; i < int(std::size(kKinds)); ++i) {
        if (object.value(QStringLiteral("tipo")).toString() == QLatin1String(kKinds[i]))
            index = i;
    }
    if (index < 0)
        return std::nullopt;
    record.kind = ArchiveRecord::Kind(index);
    if (object.contains(QStringLiteral("id")))
        record.runId = object.value(QStringLiteral("id")).toString().toLongLong();
    switch (record.kind) {
    case ArchiveRecord::Kind::Begin:
        record.run.phrase = object.value(QStringLiteral("frase")).toString();
        record.run.place.device = SearchPlaces::deviceNamed(object.value(QStringLiteral("dispositivo")).toString()).value_or(Device::Computer);
        record.run.place.country = object.value(QStringLiteral("paese")).toString();
        record.run.place.language = object.value(QStringLiteral("lingua")).toString();
        record.run.place.place = object.value(QStringLiteral("luogo")).toString();
        record.run.host = object.value(QStringLiteral("host")).toString();
        record.run.italianOnly = object.value(QStringLiteral("italiano")).toBool();
        record.run.fragment = object.value(QStringLiteral("frammento")).toString();
        record.run.started = ArchiveRows::timeOf(object.value(QStringLiteral("inizio")).toVariant());
        record.run.token = object.value(QStringLiteral("segno")).toString();
        break;
    case ArchiveRecord::Kind::Page: {
        record.page.offset = object.value(QStringLiteral("offset")).toInteger();
        record.page.readAt = ArchiveRows::timeOf(object.value(QStringLiteral("letta")).toVariant());
        record.page.reading = ArchiveRows::readingNamed(object.value(QStringLiteral("lettura")).toString());
        for (const QJsonValue &value : object.value(QStringLiteral("risultati")).toArray()) {
            const QJsonArray result = value.toArray();
            record.page.results.append({result.at(0).toInteger(), result.at(1).toString(), result.at(2).toString()});
        }
        record.page.reader = object.value(QStringLiteral("lettore")).toInt();
        if (object.contains(QStringLiteral("pagina"))) {
            const QJsonObject kept = object.value(QStringLiteral("pagina")).toObject();
            record.page.kept.compressed = QByteArray::fromBase64(kept.value(QStringLiteral("zstd")).toString().toLatin1());
            record.page.kept.reader = kept.value(QStringLiteral("lettore")).toInt();
            record.page.kept.runs = kept.value(QStringLiteral("tenute")).toInt();
        }
        if (object.contains(QStringLiteral("blocchi"))) {
            const QJsonObject blocks = object.value(QStringLiteral("blocchi")).toObject();
            PageFeatures features;
            features.adsTop = blocks.value(QStringLiteral("annunci sopra")).toInt();
            features.adsBottom = blocks.value(QStringLiteral("annunci sotto")).toInt();
            features.featured = blocks.value(QStringLiteral("in evidenza")).toString();
            features.aiOverview = blocks.value(QStringLiteral("panoramica")).toBool();
            for (const QJsonValue &cited : blocks.value(QStringLiteral("citati")).toArray())
                features.aiCited.append(cited.toString());
            features.questions = blocks.value(QStringLiteral("domande")).toBool();
            features.aiLoading = blocks.value(QStringLiteral("panoramica in corso")).toBool();
            for (const QJsonValue &entry : blocks.value(QStringLiteral("luoghi")).toArray()) {
                const QJsonArray fields = entry.toArray();
                features.pack.append(PackEntry{fields.at(0).toString(), fields.at(1).toString(), fields.at(2).toString()});
            }
            record.page.features = features;
        }
        break;
    }
    case ArchiveRecord::Kind::End:
        record.end = RunEnds::fromName(object.value(QStringLiteral("esito")).toString());
        record.position = object.value(QStringLiteral("posizione")).toInteger();
        record.packPlace = object.value(QStringLiteral("pacchetto locale")).toInt();
        record.ended = ArchiveRows::timeOf(object.value(QStringLiteral("fine")).toVariant());
        break;
    case ArchiveRecord::Kind::Picture: {
        record.picture.file = object.value(QStringLiteral("file")).toString();
        record.picture.bytes = object.value(QStringLiteral("byte")).toInteger();
        const QJsonArray box = object.value(QStringLiteral("riquadro")).toArray();
        record.picture.hitBox = QRect(box.at(0).toInt(), box.at(1).toInt(), box.at(2).toInt(), box.at(3).toInt());
        const QJsonArray size = object.value(QStringLiteral("misura")).toArray();
        record.picture.size = QSize(size.at(0).toInt(), size.at(1).toInt());
        record.picture.jpeg = QByteArray::fromBase64(object.value(QStringLiteral("jpeg")).toString().toLatin1());
        break;
    }
    }
    return record;
}

bool save(const QString &archive, const std::deque<ArchiveRecord> &waiting)
{
    const QString path = ownFile(archive);
    if (!setWritten(archive, 0))
        return false;
    if (waiting.empty())
        return !QFileInfo::exists(path) || QFile::remove(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const ArchiveRecord &record : waiting)
        file.write(encode(record) + '\n');
    return file.commit();
}

bool append(const QString &archive, const ArchiveRecord &record)
{
    QFile file(ownFile(archive));
    const QByteArray line = encode(record) + '\n';
    // A line written in part is cut short, and would spoil the next one: the
    // caller writes the file anew instead.
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size() && file.flush();
}

bool setWritten(const QString &archive, qint64 count)
{
    const QString path = countOf(ownFile(archive));
    if (count == 0)
        return !QFileInfo::exists(path) || QFile::remove(path);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(count)) > 0 && file.commit();
}

std::deque<ArchiveRecord> takeLeftOver(const QString &archive, quint64 &nextHandle, QStringList &taken)
{
    const QFileInfo info(archive);
    const QFileInfoList files = info.dir().entryInfoList({info.fileName() + QStringLiteral("-in-attesa-*.jsonl")}, QDir::Files,
                                                         QDir::Time | QDir::Reversed);
    std::deque<ArchiveRecord> records;
    for (const QFileInfo &file : files) {
        const qint64 pid = file.fileName().section(QLatin1Char('-'), -1).section(QLatin1Char('.'), 0, 0).toLongLong();
        if (processAlive(pid))
            continue;
        // Renaming takes it: of two programs starting together, one wins.
        const QString name = file.filePath() + QStringLiteral(".preso-%1").arg(QCoreApplication::applicationPid());
        if (!QFile::rename(file.filePath(), name))
            continue;
        QFile in(name);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        taken << name;
        qint64 written = 0;
        QFile count(countOf(file.filePath()));
        if (count.open(QIODevice::ReadOnly)) {
            written = count.readAll().trimmed().toLongLong();
            count.close();
            if (count.rename(countOf(name)))
                taken << countOf(name);
        }
        QHash<quint64, quint64> handles;
        for (qint64 line = 0; !in.atEnd(); ++line) {
            std::optional<ArchiveRecord> record = decode(in.readLine().trimmed());
            if (!record)
                continue;   // a line cut short by a crash
            if (line < written && record->kind != ArchiveRecord::Kind::Begin)
                continue;
            if (!handles.contains(record->handle))
                handles.insert(record->handle, ++nextHandle);
            record->handle = handles.value(record->handle);
            records.push_back(std::move(*record));
        }
    }
    return records;
}

} // namespace ArchiveSpool
