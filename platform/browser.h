#pragma once

#include "model/device.h"
#include "model/pageshape.h"
#include "model/runrecords.h"

#include <QJsonObject>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>


// The links of a completed document that results pages in today's markup
// are read from, as absolute addresses.
struct PageLinks
{
    QString address;        // the document's own
    QStringList results;    // links that hold a result heading, outside ads and other blocks, in order
    QStringList pages;      // links that may lead to another results page
    QStringList titles;     // the headings of the result links, one for each
    // Today's pages only; the featured answer and the AI overview's citations
    // as links, like the results.
    std::optional<PageFeatures> features;
    // A page without organic results: what it shows of itself.
    PageShape shape;
};

// A picture of the page as the run laid it out: the page from its top, with
// the hits outlined, down to a little below the last of them; the whole page
// (as far as a picture may go) when there is no hit to show.
struct PagePicture
{
    QByteArray jpeg;        // empty when none could be taken
    QRect hitBox;           // the first hit's outline, in the picture's pixels; empty without one
    QSize size;             // the picture's size in pixels
};

// A step of the browser's start-up that failed: which, the protocol command
// it sent, and why.
struct BrowserFault
{
    // After the launch: the browser's version, its page target, the attach
    // to it, the page's domains, the first navigation.
    enum class Step { Version, Target, Attach, Domains, FirstPage };
    enum class Why { Refused, Closed, TimedOut };

    Step step = Step::Version;
    QString command;
    Why why = Why::Refused;
    QString words;          // the browser's, when it refused
    int seconds = 0;        // how long it was waited for, when it never answered
};

// A frame of the page in front, as the browser drew it: a JPEG picture of
// the page's visible part, which is `viewport` CSS pixels of the device at
// the page's own zoom (a phone's browser zooms a page made for computers
// out); and whether the page takes touches rather than a mouse.
struct PageFrame
{
    QByteArray jpeg;        // empty when the browser has gone
    QSize viewport;         // CSS pixels of the device the picture covers
    double pageScale = 1.0; // the page's zoom: the page's CSS pixels per device CSS pixel
    bool touch = false;
};

// The browser page a run drives: navigate to an address, hear when a
// document has completed, read the completed document. It needs no widget:
// a view shows its frames and passes the user's input back.
class Browser : public QObject
{
    Q_OBJECT
public:
    // The size a page is laid out at while nobody looks at it, as on a desktop.
    static constexpr QSize kDesktopSize{1366, 768};

    using QObject::QObject;
    ~Browser() override = default;

    // Loads the address text as it is; a new navigation replaces one in flight.
    virtual void navigate2(const QString &address) = 0;

    // The markup of the document that completed last, as the results pages'
    // reader expects it; nullopt when no HTML document could be read or the
    // load failed (no connection, a page cut short).
    virtual std::optional<QString> pageText() const = 0;
    // The links of that document; empty when there is no text.
    virtual PageLinks pageLinks() const = 0;
    // Loads `markup` as the document at `address`, as a kept page is read
    // again: nothing is asked of the network, every request the document
    // would make is refused. Only a browser made to read kept pages does it.
    virtual void navigateKept(const QString &address, const QByteArray &markup)
    {
        Q_UNUSED(address)
        Q_UNUSED(markup)
    }
    // Whether each document read is also written out to be kept (keptMarkup).
    virtual void setKeepingPages(bool) {}
    // The document that completed last as it is kept, UTF-8: its markup as it
    // stood at the reading, without scripts, style sheets, inline pictures and
    // the drawings of inline SVG pictures, what the page hid marked hidden;
    // empty when pages are not kept or no document could be read.
    virtual QByteArray keptMarkup() const { return {}; }
    // Why the document that completed last gave no text: the server's error
    // status or the browser's error ("HTTP 503", "net::ERR_CONNECTION_RESET").
    virtual QString loadError() const { return QString(); }
    // The completed document as it stands: its markup and a PNG picture of
    // its first screen (either empty when it cannot be had).
    virtual void capturePage(std::function<void(const QByteArray &markup, const QByteArray &picture)> done)
    {
        done(pageText().value_or(QString()).toUtf8(), QByteArray());
    }

    // A picture of the completed document with the results whose addresses
    // are `hits` outlined. Taken in the browser, never by loading the page
    // again; a navigation asked for meanwhile waits for it.
    virtual void capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done)
    {
        Q_UNUSED(hits)
        done(PagePicture());
    }

    // The page is in front of the user, to be answered (a consent, a check),
    // laid out at the view's size and sending frames; or behind the lists.
    virtual void setInFront(bool) {}
    virtual void setViewSize(QSize) {}
    // The device the pages are for: their layout, touch, and the agent the
    // browser introduces itself with. A phone's page stays at the phone's
    // size in front too.
    virtual void setDevice(Device) {}
    // How long a page may take to settle after its load before it is read.
    virtual void setSettleSeconds(int) {}
    // The user's input in the view: "Input.dispatchMouseEvent", ... with their parameters.
    virtual void sendInput(const QString &method, const QJsonObject &params) { Q_UNUSED(method) Q_UNUSED(params) }
    // Ends the browser, its cookies written, and frees its profile for
    // another program; the next navigation starts a new one on it.
    virtual void letGo() {}

signals:
    // A main-frame load has completed, with its page or an error page. A
    // navigation replaced before it completed never reports.
    void documentComplete();
    // No page can be loaded: there is no browser to load it. The note says
    // what to install.
    void unavailable(const QString &note);
    // The browser started but a step of its start-up failed: no page comes
    // until the next navigation starts it again.
    void startFailed(const BrowserFault &fault);
    // A frame of the page while it is in front; an empty one when the
    // browser has gone.
    void frame(const PageFrame &frame);
};
