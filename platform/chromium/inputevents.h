#pragma once

#include <QJsonObject>
#include <QList>
#include <QPointF>
#include <QString>
#include <Qt>

// The view's mouse and keyboard as DevTools input events: each entry is the
// parameters of one Input.dispatchMouseEvent or Input.dispatchKeyEvent.
namespace InputEvents {

// DevTools' modifier bits: Alt 1, Ctrl 2, Meta 4, Shift 8.
int modifiers(Qt::KeyboardModifiers modifiers);

enum class MouseAction { Press, Release, Move };
QJsonObject mouse(MouseAction action, QPointF pagePosition, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers modifiers, int clickCount);
// A finger on a touch screen: put down, moved, lifted (Input.dispatchTouchEvent).
QJsonObject touch(MouseAction action, QPointF pagePosition, Qt::KeyboardModifiers modifiers);
// angleDelta in eighths of a degree, as Qt gives it; a notch is 120.
QJsonObject wheel(QPointF pagePosition, QPoint angleDelta, Qt::KeyboardModifiers modifiers);

// A key pressed (down) or let go; text is what the key types, if anything.
QJsonObject key(bool down, int qtKey, const QString &text, Qt::KeyboardModifiers modifiers, bool autoRepeat);

} // namespace InputEvents
