#include "platform/modules.h"

#include <QCoreApplication>
#include <QDir>

namespace Modules {

QStringList folders()
{
    QStringList list{QCoreApplication::applicationDirPath()};
#ifdef CERCA_MODULE_INSTALL_DIR
    list << QStringLiteral(CERCA_MODULE_INSTALL_DIR);
#endif
#ifdef CERCA_MODULE_BUILD_DIR
    list << QStringLiteral(CERCA_MODULE_BUILD_DIR);
#endif
    list.removeDuplicates();
    return list;
}

Loaded load(const QString &name, const char *entry, const QStringList &folders)
{
    Loaded loaded;
    QStringList errors;
    for (const QString &folder : folders) {
        auto library = std::make_unique<QLibrary>(QDir(folder).filePath(name));
        if (!library->load()) {
            errors << library->errorString();
            continue;
        }
        if (QFunctionPointer found = library->resolve(entry)) {
            loaded.library = std::move(library);
            loaded.entry = found;
            return loaded;
        }
        errors << library->errorString();
    }
    loaded.error = errors.isEmpty() ? QStringLiteral("no folder to look in") : errors.join(QLatin1Char('\n'));
    return loaded;
}

} // namespace Modules
