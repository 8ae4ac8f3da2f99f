#pragma once

#include <QString>
#include <QStringList>

// What a completed page without organic results shows of itself: enough to
// tell the engine's page without results from a question to the user and
// from a page in markup the reader does not know.
struct PageShape
{
    bool searchForm = false;        // a form that sends a search
    bool resultsColumn = false;     // the container the results stand in
    QStringList otherForms;         // the actions of the other forms, outside notice bars
    bool captcha = false;
    bool dialog = false;            // a dialog that covers the page: modal, or over most of the first screen
    bool noResultsMessage = false;  // a known wording says that nothing was found
    QStringList links;              // links outside ads, the page's header, footer and notice bars

    bool operator==(const PageShape &) const = default;
};
