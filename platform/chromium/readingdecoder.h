#pragma once

#include "platform/browser.h"

#include <QJsonValue>
#include <QString>
#include <optional>

// What the page script read of a completed document (pagetext.js: its text,
// its links, the features of today's results pages and the shape of a page
// without results), as the model's values. Values in, values out.
namespace ReadingDecoder {

struct ReadPage
{
    QString text;       // the markup, as the results pages' reader expects it
    PageLinks links;
};

// Nothing when the reading holds no text: the script failed, or the
// document was none it could read. Members of the wrong type read as empty.
std::optional<ReadPage> decode(const QJsonValue &reading);

} // namespace ReadingDecoder
