#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What moved in a list: each phrase's position against its run before it in
// the archive, counted for one line and written one row a phrase.
class ListSummary
{
public:
    // The positions a person looks at first.
    static constexpr qint64 kFirst = 10;

    enum class Change { Up, Down, Same, Entered, Left, New, Unchecked };

    struct Phrase
    {
        QString phrase;
        bool ranBefore = false;              // the archive has a run of it before
        std::optional<qint64> before;        // that run's position; none: not found
        bool checked = false;                // measured now
        std::optional<qint64> after;         // its position now; none: not found
        QString why;                         // why it was not checked
    };

    void add(const Phrase &phrase) { m_phrases.append(phrase); }
    static Change changeOf(const Phrase &phrase);
    int count(Change change) const;
    int size() const { return int(m_phrases.size()); }
    const QList<Phrase> &phrases() const { return m_phrases; }

    // "frasi.txt: 200 frasi, 37 salite, 21 scese, 128 uguali, 5 entrate nei
    // primi 10, 3 uscite, 6 non controllate", with ", 2 nuove" for phrases
    // the archive had no run of.
    QString line(const QString &listName) const;
    // One row a phrase: the phrase, its position before and now ("" for no
    // run, "non trovata"), the change (positions gained), and what it is.
    QByteArray csv() const;

private:
    QList<Phrase> m_phrases;
};
