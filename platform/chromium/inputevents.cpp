#include "platform/chromium/inputevents.h"

#include <QJsonArray>


namespace InputEvents {

namespace {

struct NamedKey
{
    int qtKey;
    const char *key;
    const char *code;
    int windowsCode;
};

// The keys that type nothing, or that pages read by name.
constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Return, "Enter", "Enter", 13},      {Qt::Key_Enter, "Enter", "NumpadEnter", 13},
    {Qt::Key_Backspace, "Backspace", "Backspace", 8}, {Qt::Key_Tab, "Tab", "Tab", 9},
    {Qt::Key_Backtab, "Tab", "Tab", 9},          {Qt::Key_Escape, "Escape", "Escape", 27},
    {Qt::Key_Delete, "Delete", "Delete", 46},    {Qt::Key_Insert, "Insert", "Insert", 45},
    {Qt::Key_Home, "Home", "Home", 36},          {Qt::Key_End, "End", "End", 35},
    {Qt::Key_PageUp, "PageUp", "PageUp", 33},    {Qt::Key_PageDown, "PageDown", "PageDown", 34},
    {Qt::Key_Left, "ArrowLeft", "ArrowLeft", 37}, {Qt::Key_Up, "ArrowUp", "ArrowUp", 38},
    {Qt::Key_Right, "ArrowRight", "ArrowRight", 39}, {Qt::Key_Down, "ArrowDown", "ArrowDown", 40},
    {Qt::Key_Shift, "Shift", "ShiftLeft", 16},   {Qt::Key_Control, "Control", "ControlLeft", 17},
    {Qt::Key_Alt, "Alt", "AltLeft", 18},         {Qt::Key_Meta, "Meta", "MetaLeft", 91},
    {Qt::Key_Space, " ", "Space", 32},
};

const NamedKey *namedKey(int qtKey)
{
    for (const NamedKey &named : kNamedKeys) {
        if (named.qtKey == qtKey)
            return &named;
    }
    return nullptr;
}

QString buttonName(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("left");
    case Qt::RightButton:
        return QStringLiteral("right");
    case Qt::MiddleButton:
        return QStringLiteral("middle");
    case Qt::BackButton:
        return QStringLiteral("back");
    case Qt::ForwardButton:
        return QStringLiteral("forward");
    default:
        return QStringLiteral("none");
    }
}

int buttonBits(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0) | (buttons & Qt::BackButton ? 8 : 0)
        | (buttons & Qt::ForwardButton ? 16 : 0);
}

} // namespace

int modifiers(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::AltModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::MetaModifier ? 4 : 0) | (modifiers & Qt::ShiftModifier ? 8 : 0);
}

QJsonObject mouse(MouseAction action, QPointF pagePosition, Qt::MouseButton button, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers keyboard, int clickCount)
{
    static const char *const types[] = {"mousePressed", "mouseReleased", "mouseMoved"};
    QJsonObject event{{QStringLiteral("type"), QLatin1String(types[int(action)])},
                      {QStringLiteral("x"), pagePosition.x()},
                      {QStringLiteral("y"), pagePosition.y()},
                      {QStringLiteral("modifiers"), modifiers(keyboard)},
                      {QStringLiteral("buttons"), buttonBits(buttons)}};
    event.insert(QStringLiteral("button"), action == MouseAction::Move ? QStringLiteral("none") : buttonName(button));
    if (action != MouseAction::Move)
        event.insert(QStringLiteral("clickCount"), clickCount);
    return event;
}

QJsonObject touch(MouseAction action, QPointF pagePosition, Qt::KeyboardModifiers keyboard)
{
    static const char *const types[] = {"touchStart", "touchEnd", "touchMove"};
    // A lifted finger is no longer a touch point.
    QJsonArray points;
    if (action != MouseAction::Release)
        points.append(QJsonObject{{QStringLiteral("x"), pagePosition.x()}, {QStringLiteral("y"), pagePosition.y()}});
    return {{QStringLiteral("type"), QLatin1String(types[int(action)])},
            {QStringLiteral("touchPoints"), points},
            {QStringLiteral("modifiers"), modifiers(keyboard)}};
}

QJsonObject wheel(QPointF pagePosition, QPoint angleDelta, Qt::KeyboardModifiers keyboard)
{
    // Qt counts a turn away from the user as positive; the page scrolls up.
    // A notch scrolls the page by 100 pixels, as in the browser itself.
    return {{QStringLiteral("type"), QStringLiteral("mouseWheel")},
            {QStringLiteral("x"), pagePosition.x()},
            {QStringLiteral("y"), pagePosition.y()},
            {QStringLiteral("modifiers"), modifiers(keyboard)},
            {QStringLiteral("button"), QStringLiteral("none")},
            {QStringLiteral("deltaX"), -angleDelta.x() * 100.0 / 120.0},
            {QStringLiteral("deltaY"), -angleDelta.y() * 100.0 / 120.0}};
}

QJsonObject key(bool down, int qtKey, const QString &text, Qt::KeyboardModifiers keyboard, bool autoRepeat)
{
    QJsonObject event{{QStringLiteral("modifiers"), modifiers(keyboard)}};
    // Text typed with Ctrl or Alt is a shortcut, not text.
    const bool types = !text.isEmpty() && text.at(0).isPrint() && !(keyboard & (Qt::ControlModifier | Qt::AltModifier));
    if (const NamedKey *named = namedKey(qtKey)) {
        event.insert(QStringLiteral("key"), QLatin1String(named->key));
        event.insert(QStringLiteral("code"), QLatin1String(named->code));
        event.insert(QStringLiteral("windowsVirtualKeyCode"), named->windowsCode);
    } else {
        const QString typed = text.isEmpty() ? QString(QChar(qtKey)).toLower() : text;
        event.insert(QStringLiteral("key"), typed);
        if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
            event.insert(QStringLiteral("windowsVirtualKeyCode"), qtKey);
            event.insert(QStringLiteral("code"), qtKey <= Qt::Key_9 ? QStringLiteral("Digit%1").arg(QChar(qtKey))
                                                                    : QStringLiteral("Key%1").arg(QChar(qtKey)));
        }
    }
    if (!down) {
        event.insert(QStringLiteral("type"), QStringLiteral("keyUp"));
        return event;
    }
    // A key that types sends its text with the key down; Enter types a return.
    const bool enter = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
    event.insert(QStringLiteral("type"), types || enter ? QStringLiteral("keyDown") : QStringLiteral("rawKeyDown"));
    if (types)
        event.insert(QStringLiteral("text"), text);
    else if (enter)
        event.insert(QStringLiteral("text"), QStringLiteral("\r"));
    if (autoRepeat)
        event.insert(QStringLiteral("autoRepeat"), true);
    return event;
}

} // namespace InputEvents
