#pragma once

#include <QImage>
#include <QPointer>
#include <QJsonObject>
#include <QSize>
#include <QWidget>
#include <functional>

// Shows the headless browser's page from its screencast frames, and passes
// the mouse and the keyboard back to it.
class Browser;

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
    // The size the page is laid out at, for the mapping of positions.
    void setPageSize(QSize size) { m_pageSize = size; }
    void showFrame(const QImage &frame);
    const QImage &frame() const { return m_frame; }
    QPointF toPage(QPointF widgetPosition) const;
    // Where the page's frames are drawn in the view.
    QRectF pageRect() const;

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
    void send(const QString &method, const QJsonObject &params);

    InputSink m_sink;
    QImage m_frame;
    QSize m_pageSize;
    int m_clickCount = 1;   // of the press that a release ends
};
