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

// A script whose value is its last statement's, as an expression that can
// stand inside another: its final semicolon left out.
QString expressionOf(const QString &script);

// The expression's value, returned by value; an undefined value when it
// threw or could not run. With `promise`, the expression is a promise, and
// its value the one it comes to, within the slowest command's bound.
void evaluate(DevToolsSession *session, const QString &frameId, const QString &expression,
              std::function<void(const QJsonValue &)> done, bool promise = false);

} // namespace PageScript
