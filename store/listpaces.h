#pragma once

#include <QString>

#include <optional>

// The pace each engine host's lists ended with, kept in the data folder so
// that the next list starts from it: a multiple of the pause asked for, in
// eighths, the pace that met the host's last check page, when known, and the
// phrases passed since, over lists.
class ListPaces
{
public:
    struct Kept
    {
        int eighths = 8;   // the pause asked for, when none is kept
        std::optional<int> limit;
        int phrases = 0;   // passed since the last check page
    };

    explicit ListPaces(QString file) : m_file(std::move(file)) {}

    Kept paceFor(const QString &host) const;
    bool keep(const QString &host, const Kept &pace);

private:
    QString m_file;
};
