#pragma once

#include <QFunctionPointer>
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>

// Parts of the program built as libraries of their own and loaded when they
// are first needed (the browser engine, the position history), so that the
// program starts without them in memory.
namespace Modules {

// The folders a module is looked for in, in order: next to the program,
// where an installed copy puts it, and where the build makes it.
QStringList folders();

struct Loaded
{
    std::unique_ptr<QLibrary> library;   // kept loaded for the rest of the run
    QFunctionPointer entry = nullptr;
    QString error;                       // why it could not be loaded
};

// Loads the module from the first folder that has it, and finds its entry point.
Loaded load(const QString &name, const char *entry, const QStringList &folders = Modules::folders());

} // namespace Modules
