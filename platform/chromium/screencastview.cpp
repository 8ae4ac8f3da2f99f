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
    connect(page, &Browser::frame, view, [view](const QByteArray &jpeg, QSize pageSize) {
        view->setPageSize(pageSize);
        view->showFrame(jpeg.isEmpty() ? QImage() : QImage::fromData(jpeg, "JPG"));
    });
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
    , m_pageSize(Browser::kDesktopSize)
{
    setObjectName(QStringLiteral("ScreencastView"));
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_InputMethodEnabled);
}

void ScreencastView::showFrame(const QImage &frame)
{
    m_frame = frame;
    update();
}

QRectF ScreencastView::pageRect() const
{
    // A page laid out at the view's size fills it; a phone's page stands at
    // its own size in the middle, smaller when the view is.
    if (m_pageSize.isEmpty() || width() <= 0 || height() <= 0)
        return rect();
    const double scale = std::min({1.0, double(width()) / m_pageSize.width(), double(height()) / m_pageSize.height()});
    QRectF area(QPointF(), QSizeF(m_pageSize) * scale);
    area.moveCenter(QRectF(rect()).center());
    if (m_pageSize == size())
        return rect();
    return area;
}

QPointF ScreencastView::toPage(QPointF position) const
{
    const QRectF area = pageRect();
    if (area.width() <= 0 || area.height() <= 0)
        return position;
    return {(position.x() - area.left()) * m_pageSize.width() / area.width(),
            (position.y() - area.top()) * m_pageSize.height() / area.height()};
}

void ScreencastView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF area = pageRect();
    if (area != QRectF(rect()))
        painter.fillRect(rect(), palette().window());
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

void ScreencastView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_clickCount = 1;
    sendMouse(event, int(InputEvents::MouseAction::Press), m_clickCount);
}

void ScreencastView::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_clickCount = 2;
    sendMouse(event, int(InputEvents::MouseAction::Press), m_clickCount);
}

void ScreencastView::mouseReleaseEvent(QMouseEvent *event)
{
    sendMouse(event, int(InputEvents::MouseAction::Release), m_clickCount);
}

void ScreencastView::mouseMoveEvent(QMouseEvent *event)
{
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
