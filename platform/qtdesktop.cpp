#include "platform/qtdesktop.h"

#include "platform/editorcommand.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>

QtDesktop::QtDesktop(ProcessStarter startProcess)
    : m_startProcess(std::move(startProcess))
{
}

QtDesktop::ProcessStarter QtDesktop::defaultStarter()
{
    return [](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    };
}

void QtDesktop::openAddress(const QUrl &address)
{
    QDesktopServices::openUrl(address);
}

void QtDesktop::startEditor(const QString &filePath)
{
    const std::optional<EditorCommand> command = Editor::commandFor(filePath);
    if (command)
        m_startProcess(command->program, command->arguments);
}

void QtDesktop::beep()
{
    QApplication::beep();
}

void QtDesktop::warn(QWidget *parent, const QString &message)
{
    // Window-modal but not blocking: a run that is starting goes on.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Cerca Posizione"), message,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
