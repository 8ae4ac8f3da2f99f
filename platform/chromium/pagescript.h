#pragma once

#include <QJsonValue>
#include <QString>
#include <functional>

class DevToolsSession;

// The program's own scripts in the page: read from the resources, and run in
// an isolated world of the main frame, so that the page's scripts neither
// see them nor change what they find.
namespace PageScript {

// A script of the resources (":/chromium/NAME").
QString source(const QString &name);

// The expression's value, returned by value; an undefined value when it
// threw or could not run. With `awaited` (milliseconds, well below the
// slowest command's bound), the expression is a promise that comes true
// within that time, and its value is the one it comes to.
void evaluate(DevToolsSession *session, const QString &frameId, const QString &expression,
              std::function<void(const QJsonValue &)> done, int awaited = 0);

} // namespace PageScript
