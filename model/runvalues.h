#pragma once

#include <QString>
#include <optional>

// What a run leaves in the window between events. The values hold nothing
// until a run sets them and keep what they hold after the run ends.
struct RunValues
{
    std::optional<qint64> contaPosizione;     // links taken: the position of the last one
    std::optional<qint64> inizioPagina;       // offset of the page being loaded or next
    std::optional<QString> indirizzoCorrente; // address of the last link taken
};
