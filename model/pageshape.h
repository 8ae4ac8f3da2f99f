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
    QStringList otherForms;         // the actions of the other forms
    bool captcha = false;
    bool dialog = false;            // a visible dialog over the page
    bool noResultsMessage = false;  // a known wording says that nothing was found
    QStringList links;              // links outside ads, the page's header and footer

    bool operator==(const PageShape &) const = default;
};
