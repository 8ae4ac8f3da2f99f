#pragma once

#include "model/device.h"
#include "platform/chromium/devtoolssession.h"

#include <QPointer>
#include <QSize>
#include <QString>

// What the page is laid out as and who it says it is: the device's size,
// pixel ratio and touch, and the agent and client hints it introduces
// itself with. Behind the lists a page is laid out as on the device, so that
// the device's page is served. In front it is laid out for the view, to be
// read at one screen pixel per CSS pixel at least: a computer's page at the
// view's size, a phone's at the phone's width and the view's height, and a
// page the phone's browser zoomed out (one made for computers) zoomed back
// to its own size, to be scrolled.
class PageEmulation
{
public:
    // The page's session, and the browser's names for itself: the agent and
    // the viewport are set on it at once.
    void attach(DevToolsSession *session, const QString &engineAgent, const QString &product);

    Device device() const { return m_device; }
    void setDevice(Device device);
    void setViewSize(QSize size);
    void setInFront(bool front);
    bool inFront() const { return m_inFront; }
    QSize layoutSize() const;
    // CSS pixels to the device's pixels.
    double pixelRatio() const;

    // The page laid out at its size, or for a moment at another (a tall picture).
    void applyViewport();
    void sendViewport(QSize size);
    void setScrollbarsHidden(bool hidden);

    // A frame shown at the page's zoom `pageScale`; a new document in the page.
    void frameShown(double pageScale);
    void documentChanged() { m_zoomAsked = false; }

private:
    void applyAgent();

    QPointer<DevToolsSession> m_session;
    QString m_engineAgent;
    QString m_product;
    Device m_device = Device::Computer;
    QSize m_viewSize;
    bool m_inFront = false;
    bool m_zoomAsked = false;   // the page was asked to show at its size since its document came
};
