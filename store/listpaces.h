#pragma once

#include <QString>

// The pace each engine host's lists ended with (a multiple of the pause
// asked for), kept in the data folder so that the next list starts from it.
class ListPaces
{
public:
    explicit ListPaces(QString file) : m_file(std::move(file)) {}

    // 1 when none is kept.
    int timesFor(const QString &host) const;
    bool keep(const QString &host, int times);

private:
    QString m_file;
};
