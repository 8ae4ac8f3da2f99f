#pragma once

#include "store/sharedphrases.h"

#include <QWidget>
#include <memory>

class QLabel;
class QTableWidget;
class SharedListWatch;

// A shared list as its machines are running it: each phrase, the machine
// that holds it now, and its outcome once done; a line above says how many
// are done and where the rest are being searched.
class SharedListView : public QWidget
{
    Q_OBJECT
public:
    explicit SharedListView(QWidget *parent = nullptr);
    ~SharedListView() override;

    // Watches the list `name` of the shared archive, every `interval` ms.
    void watch(const QString &archive, const QString &name, int intervalMilliseconds);

signals:
    // How many of the list's phrases are done, of how many.
    void progress(int done, int total);

private:
    void showStates(const QList<SharedPhrases::State> &states, const QList<SharedPhrases::Pause> &pauses);

    QString m_name;
    QString m_archive;
    std::unique_ptr<SharedListWatch> m_watch;
    QLabel *m_summary;
    QTableWidget *m_table;
};
