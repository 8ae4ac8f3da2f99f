#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QLibrary;
class QWidget;

// The position history is a library of its own, loaded when the user first
// opens it, so that the program starts without Qt Charts in memory. It
// exports one function of this type by this name: a new window, over
// `parent`, showing the result log at `logPath`.
using CreateHistoryWindow = QWidget *(*)(const QString &logPath, QWidget *parent);
inline constexpr char kCreateHistoryWindow[] = "cerca_create_history_window";

// And a window "Concorrenti" for one phrase, reading the archive at `archivePath`.
using CreateCompetitorsWindow = QWidget *(*)(const QString &archivePath, const QString &phrase, QWidget *parent);
inline constexpr char kCreateCompetitorsWindow[] = "cerca_create_competitors_window";

// The windows of the module, opened over `parent`: a new window each time,
// so that it shows the files as they are now. `warn` says when the module
// cannot be loaded.
class HistoryWindows
{
public:
    HistoryWindows(QWidget *parent, std::function<void(const QString &)> warn);
    ~HistoryWindows();

    void openHistory(const QString &logPath);
    void openCompetitors(const QString &archivePath, const QString &phrase);

private:
    bool load();
    void show(QWidget *window);

    QWidget *m_parent;
    std::function<void(const QString &)> m_warn;
    std::unique_ptr<QLibrary> m_module;   // loaded at the first opening
    CreateHistoryWindow m_createHistory = nullptr;
    CreateCompetitorsWindow m_createCompetitors = nullptr;
    QPointer<QWidget> m_history;
    QPointer<QWidget> m_competitors;
};
