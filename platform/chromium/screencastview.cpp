#include "platform/chromium/screencastview.h"

#include "platform/browser.h"
#include "platform/chromium/inputevents.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

ScreencastView *ScreencastView::attach(Browser *page, QWidget *container)
{
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *view = new ScreencastView(container);
    layout->addWidget(view);
    view->setInputSink([page = QPointer<Browser>(page)](const QString &method, const QJsonObject &params) {
        if (page)
            page->sendInput(method, params);
    });
    connect(view, &ScreencastView::resized, page, &Browser::setViewSize);
    connect(page, &Browser::frame, view, &ScreencastView::showFrame);
    connect(page, &Browser::unavailable, container, [container, view] {
        if (container->findChild<QLabel *>(QStringLiteral("BrowserUnavailable")))
            return;
        auto *label = new QLabel(QStringLiteral("Il browser incorporato non è disponibile."), container);
        label->setObjectName(QStringLiteral("BrowserUnavailable"));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        view->hide();
        container->layout()->addWidget(label);
    });
    return view;
}

ScreencastView::ScreencastView(QWidget *parent)
    : QWidget(parent)
    , m_viewport(Browser::kDesktopSize)
{
    setObjectName(QStringLiteral("ScreencastView"));
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
}

void ScreencastView::showFrame(const PageFrame &frame)
{
    m_frame = frame.jpeg.isEmpty() ? QImage() : QImage::fromData(frame.jpeg, "JPG");
    if (!frame.viewport.isEmpty())
        m_viewport = frame.viewport;
    m_pageScale = frame.pageScale;
    m_touch = frame.touch;
    update();
}

QRectF ScreencastView::pageRect() const
{
    // What the frame shows, one screen pixel per CSS pixel of the device, in
    // the middle of the view; smaller only when the view is.
    if (m_viewport.isEmpty() || width() <= 0 || height() <= 0)
        return rect();
    if (m_viewport == size())
        return rect();
    const double scale = std::min({1.0, double(width()) / m_viewport.width(), double(height()) / m_viewport.height()});
    QRectF area(QPointF(), QSizeF(m_viewport) * scale);
    area.moveCenter(QRectF(rect()).center());
    return area;
}

double ScreencastView::drawnScale() const
{
    return m_viewport.isEmpty() ? 1.0 : pageRect().width() / m_viewport.width() * m_pageScale;
}

QPointF ScreencastView::toPage(QPointF position) const
{
    // The browser takes positions in the page's CSS pixels: on a page zoomed
    // out a drawn pixel is more of them.
    const QRectF area = pageRect();
    if (area.width() <= 0 || area.height() <= 0)
        return position;
    return {(position.x() - area.left()) * m_viewport.width() / area.width() / m_pageScale,
            (position.y() - area.top()) * m_viewport.height() / area.height() / m_pageScale};
}

void ScreencastView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF area = pageRect();
    if (area != QRectF(rect()))
        painter.fillRect(rect(), palette().window());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_frame.isNull())
        painter.fillRect(area, Qt::white);
    else
        painter.drawImage(area, m_frame);
}

void ScreencastView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized(size());
}

void ScreencastView::send(const QString &method, const QJsonObject &params)
{
    if (m_sink)
        m_sink(method, params);
}

void ScreencastView::sendMouse(QMouseEvent *event, int action, int clickCount)
{
    send(QStringLiteral("Input.dispatchMouseEvent"),
         InputEvents::mouse(InputEvents::MouseAction(action), toPage(event->position()), event->button(),
                            event->buttons(), event->modifiers(), clickCount));
}

void ScreencastView::sendTouch(QMouseEvent *event, int action)
{
    // A phone is touched with the left button; the others mean nothing to it.
    if (event->button() != Qt::LeftButton && !(event->buttons() & Qt::LeftButton))
        return;
    send(QStringLiteral("Input.dispatchTouchEvent"),
         InputEvents::touch(InputEvents::MouseAction(action), toPage(event->position()), event->modifiers()));
}

void ScreencastView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_clickCount = 1;
    if (m_touch)
        sendTouch(event, int(InputEvents::MouseAction::Press));
    else
        sendMouse(event, int(InputEvents::MouseAction::Press), m_clickCount);
}

void ScreencastView::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_clickCount = 2;
    if (m_touch)
        sendTouch(event, int(InputEvents::MouseAction::Press));
    else
        sendMouse(event, int(InputEvents::MouseAction::Press), m_clickCount);
}

void ScreencastView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_touch)
        sendTouch(event, int(InputEvents::MouseAction::Release));
    else
        sendMouse(event, int(InputEvents::MouseAction::Release), m_clickCount);
}

void ScreencastView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_touch)
        sendTouch(event, int(InputEvents::MouseAction::Move));
    else
        sendMouse(event, int(InputEvents::MouseAction::Move), 0);
}

void ScreencastView::wheelEvent(QWheelEvent *event)
{
    send(QStringLiteral("Input.dispatchMouseEvent"),
         InputEvents::wheel(toPage(event->position()), event->angleDelta(), event->modifiers()));
}

void ScreencastView::keyPressEvent(QKeyEvent *event)
{
    send(QStringLiteral("Input.dispatchKeyEvent"),
         InputEvents::key(true, event->key(), event->text(), event->modifiers(), event->isAutoRepeat()));
}

void ScreencastView::keyReleaseEvent(QKeyEvent *event)
{
    send(QStringLiteral("Input.dispatchKeyEvent"),
         InputEvents::key(false, event->key(), event->text(), event->modifiers(), event->isAutoRepeat()));
}

void ScreencastView::inputMethodEvent(QInputMethodEvent *event)
{
    // Text composed by an input method goes in whole.
    if (!event->commitString().isEmpty())
        send(QStringLiteral("Input.insertText"), {{QStringLiteral("text"), event->commitString()}});
    event->accept();
}

bool ScreencastView::focusNextPrevChild(bool)
{
    // Tab moves within the page, as in a browser.
    return false;
}
