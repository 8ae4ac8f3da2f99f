#pragma once

#include "platform/browser.h"
#include "platform/desktop.h"

#include <QStringList>
#include <QUrl>

// A browser that records where it was sent and completes documents on demand.
class FakeBrowser : public Browser
{
public:
    QStringList navigations;
    std::optional<QString> text;
    PageLinks links;
    QList<Device> devices;   // each device the page was set to
    QList<QStringList> picturesAsked;   // the hits of each picture asked for
    PagePicture picture;                // what each picture gives
    int letGoes = 0;                    // the browser let go

    void navigate2(const QString &address) override { navigations.append(address); }
    void setDevice(Device device) override { devices.append(device); }
    void setSettleSeconds(int seconds) override { settleSeconds = seconds; }
    int settleSeconds = -1;
    void letGo() override { ++letGoes; }
    void capturePicture(const QStringList &hits, std::function<void(const PagePicture &)> done) override
    {
        picturesAsked.append(hits);
        done(picture);
    }
    std::optional<QString> pageText() const override { return text; }
    PageLinks pageLinks() const override { return links; }

    void complete(const std::optional<QString> &page, const PageLinks &pageLinks = {})
    {
        text = page;
        links = pageLinks;
        emit documentComplete();
    }
};

class RecordingDesktop : public Desktop
{
public:
    QList<QUrl> opened;
    QStringList edited;
    int beeps = 0;
    QStringList warnings;

    void openAddress(const QUrl &address) override { opened.append(address); }
    void startEditor(const QString &filePath) override { edited.append(filePath); }
    void beep() override { ++beeps; }
    void warn(QWidget *, const QString &message) override { warnings.append(message); }
};
