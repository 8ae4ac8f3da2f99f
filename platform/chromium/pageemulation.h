#pragma once

#include "model/device.h"
#include "platform/chromium/devtoolssession.h"

#include <QPointer>
#include <QSize>
#include <QString>

// What the page is laid out as and who it says it is: the device's size,
// pixel ratio and touch, and the agent and client hints it introduces
// itself with. A phone's page is a phone's wherever it is; a computer's fills
// the view in front and is laid out as on an ordinary desktop behind the
// lists, so that the desktop page is served.
class PageEmulation
{
public:
    // The page's session, and the browser's names for itself: the agent and
    // the viewport are set on it at once.
    void attach(DevToolsSession *session, const QString &engineAgent, const QString &product);

    Device device() const { return m_device; }
    void setDevice(Device device);
    void setViewSize(QSize size);
    // In front, a computer's page takes the view's size.
    void setInFront(bool front);
    bool inFront() const { return m_inFront; }
    QSize layoutSize() const;
    // CSS pixels to the device's pixels.
    double pixelRatio() const;

    // The page laid out at its size, or for a moment at another (a tall picture).
    void applyViewport();
    void sendViewport(QSize size);
    void setScrollbarsHidden(bool hidden);

private:
    void applyAgent();

    QPointer<DevToolsSession> m_session;
    QString m_engineAgent;
    QString m_product;
    Device m_device = Device::Computer;
    QSize m_viewSize;
    bool m_inFront = false;
};
