#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

// Colours are given as 0x00BBGGRR values.
QColor colourFromBgr(quint32 bgr);

// The window's colours, as Windows writes them (blue, green, red).
inline constexpr quint32 kDarkGreen = 0x4000;
inline constexpr quint32 kBrightGreen = 0xC000;
inline constexpr quint32 kRed = 255;
inline constexpr quint32 kLightYellow = 0xC0FFFF;
inline constexpr quint32 kDarkRed = 0xC0;

void setTextColour(QWidget *widget, quint32 bgr);
// Bold, a little larger.
QFont boldFont(const QFont &base);
// Centred bold text on light yellow, as the report line shows it.
void makeReportPanel(QLabel *label, quint32 textBgr);

// A filled circle with an outline: the activity indicator.
class Shape : public QWidget
{
    Q_OBJECT
public:
    explicit Shape(QWidget *parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor &colour);
    int borderWidth() const { return m_borderWidth; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backColor;
    QColor m_borderColor = Qt::black;
    int m_borderWidth = 3;
};

#include <QLabel>

// A label that reports a click of the left button.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#include <QPushButton>

// A command button whose caption wraps onto more lines when it is wider
// than the button.
class CommandButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The dialog font of the window: the classic sans-serif, or one of the same
// measures, at the given size; the application's sans-serif otherwise.
QFont dialogFont(const QFont &applicationFont, qreal pointSize);
