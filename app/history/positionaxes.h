#pragma once

#include <QString>

class QChart;
class QDateTimeAxis;
class QValueAxis;

// The axes of the position charts: time along the bottom, the position up
// the side with position 1 at the top.
struct PositionAxes
{
    QDateTimeAxis *time;
    QValueAxis *position;
};

PositionAxes addPositionAxes(QChart *chart, const QString &timeFormat, const QString &timeTitle);
