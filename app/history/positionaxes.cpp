#include "app/history/positionaxes.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QValueAxis>

PositionAxes addPositionAxes(QChart *chart, const QString &timeFormat, const QString &timeTitle)
{
    auto *time = new QDateTimeAxis;
    time->setFormat(timeFormat);
    time->setTitleText(timeTitle);
    auto *position = new QValueAxis;
    position->setReverse(true);   // position 1 at the top
    position->setLabelFormat(QStringLiteral("%d"));
    position->setTitleText(QStringLiteral("posizione"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(position, Qt::AlignLeft);
    return PositionAxes{time, position};
}
