#include "platform/engineenvironment.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Qt's own setter, which Qt WebEngine uses too; it has no public header.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

namespace EngineEnvironment {

void prepare()
{
#ifdef Q_OS_UNIX
    // The browser's sandbox refuses to run as root; everyone else keeps it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

void prepareShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    static QOpenGLContext *context = nullptr;
    context = new QOpenGLContext;
    context->create();
    qt_gl_set_global_share_context(context);
    qAddPostRoutine([] {
        qt_gl_set_global_share_context(nullptr);
        delete context;
        context = nullptr;
    });
}

} // namespace EngineEnvironment
