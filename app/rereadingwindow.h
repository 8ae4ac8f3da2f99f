#pragma once

#include <QDialog>
#include <QTemporaryDir>
#include <memory>

class ChromiumPage;
class QLabel;
class QTableWidget;
class Rereading;

// "Rileggi le pagine": the pages kept in the archive read again with
// today's reader, in a browser of the window's own that asks the network
// for nothing; a row for each run whose position changed, and what was done.
class RereadingWindow : public QDialog
{
    Q_OBJECT
public:
    RereadingWindow(const QString &archivePath, QWidget *parent = nullptr);
    ~RereadingWindow() override;

private:
    void finish();

    QTemporaryDir m_profile;
    std::unique_ptr<ChromiumPage> m_browser;
    std::unique_ptr<Rereading> m_rereading;
    QLabel *m_status = nullptr;
    QTableWidget *m_changes = nullptr;
};
