#pragma once

#include "model/pageshape.h"

#include <QString>
#include <QStringList>

// What a completed page that holds no organic result is.
enum class PageKind {
    NoResults,   // the engine's own page saying that the search found nothing
    Question,    // a consent or check page: the user answers it
    Unknown,     // a page the reader cannot place: kept, and said, never guessed at
};

namespace PageKinds {

// Decided from the page's structure, in any language and layout: a question
// is a page that asks before it shows anything (its address, a form other
// than the search's, a captcha, a dialog that covers the page; a notice bar
// that leaves the page usable, as the cookie notice does, is none); a page
// without results is a results page (the search form, and the results
// column or the engine's message) with no link to another site and no next
// page. Anything else is unknown.
PageKind of(const PageShape &shape, const QString &address, const QStringList &pageLinks);

} // namespace PageKinds
