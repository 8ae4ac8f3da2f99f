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

#include <QStyleOptionButton>
#include <QStylePainter>

void CommandButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

QFont dialogFont(const QFont &applicationFont, qreal pointSize)
{
    QFont font = applicationFont;
    QStringList families{QStringLiteral("Microsoft Sans Serif"), QStringLiteral("MS Sans Serif"),
                         QStringLiteral("Liberation Sans"), QStringLiteral("Arial")};
    families.append(applicationFont.families());
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

void setTextColour(QWidget *widget, quint32 bgr)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colourFromBgr(bgr));
    widget->setPalette(palette);
}

QFont boldFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

void makeReportPanel(QLabel *label, quint32 textBgr)
{
    label->setAlignment(Qt::AlignCenter);
    label->setFont(boldFont(label->font()));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colourFromBgr(kLightYellow));
    palette.setColor(QPalette::WindowText, colourFromBgr(textBgr));
    label->setPalette(palette);
}
