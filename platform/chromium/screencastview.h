#pragma once

#include "platform/browser.h"

#include <QImage>
#include <QPointer>
#include <QJsonObject>
#include <QSize>
#include <QWidget>
#include <functional>

// Shows the headless browser's page from its screencast frames, and passes
// the mouse (or, to a phone, the finger), the wheel and the keyboard back to
// it, at the place under the pointer in what is drawn.
class ScreencastView : public QWidget
{
    Q_OBJECT
public:
    // Shows the page inside `container`: its frames while it is in front, the
    // user's input passed back, and a note when there is no browser.
    static ScreencastView *attach(Browser *page, QWidget *container);

    // method is "Input.dispatchMouseEvent", "Input.dispatchKeyEvent" or "Input.insertText".
    using InputSink = std::function<void(const QString &method, const QJsonObject &params)>;

    explicit ScreencastView(QWidget *parent = nullptr);

    void setInputSink(InputSink sink) { m_sink = std::move(sink); }
    void showFrame(const PageFrame &frame);
    const QImage &frame() const { return m_frame; }
    // A position in the view as the page's input events give it: in the
    // page's CSS pixels from the corner of what is shown.
    QPointF toPage(QPointF widgetPosition) const;
    // Where the page's frames are drawn in the view.
    QRectF pageRect() const;
    // Screen pixels per CSS pixel of the page as drawn: 1 or more to be read.
    double drawnScale() const;

signals:
    void resized(QSize size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void sendMouse(QMouseEvent *event, int action, int clickCount);
    void sendTouch(QMouseEvent *event, int action);
    void send(const QString &method, const QJsonObject &params);

    InputSink m_sink;
    QImage m_frame;
    QSize m_viewport;           // the device's CSS pixels the frame shows
    double m_pageScale = 1.0;
    bool m_touch = false;
    int m_clickCount = 1;   // of the press that a release ends
};
