#include "app/controls.h"

#include <QPainter>

QColor colourFromBgr(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

Shape::Shape(QWidget *parent)
    : QWidget(parent)
{
}

void Shape::setBackColor(const QColor &colour)
{
    if (m_backColor == colour)
        return;
    m_backColor = colour;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_borderColor, m_borderWidth);
    painter.setPen(pen);
    painter.setBrush(m_backColor);
    const qreal inset = m_borderWidth / 2.0;
    const qreal side = qMin(width(), height()) - m_borderWidth;
    painter.drawEllipse(QRectF(inset, inset, side, side));
}

#include <QMouseEvent>

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
