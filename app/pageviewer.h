#pragma once

#include "model/runrecords.h"

#include <QDialog>

class QAbstractItemView;
class QAction;
class QLabel;
class QScrollArea;

// "Mostra la pagina": the picture of what a run saw, at the window's width,
// scrolled to the hit, under a line that says which run it was. A copy can
// be saved as PNG or JPEG.
class PageViewer : public QDialog
{
    Q_OBJECT
public:
    // `run` with its picture.
    PageViewer(const ArchivedRun &run, QWidget *parent);

    // Opens the picture of the run of `series` that ended nearest to `when`,
    // from the archive at `archivePath`; says so in a box when there is none.
    static void open(const QString &archivePath, const QString &series, const QDateTime &when, QWidget *parent);
    // The same for a run read already.
    static void open(const std::optional<ArchivedRun> &run, QWidget *parent);
    // "Mostra la pagina" in the context menu of a table of runs: the picture
    // of what the chosen row's run saw, opened by whoever the action triggers.
    static QAction *offerIn(QAbstractItemView *view);

    // "bimby — 08/12/2026 17:14:31 — smartphone — Milan,Lombardy,Italy — posizione 6"
    static QString captionOf(const ArchivedRun &run);
    // Writes a copy, in the format its name ends with.
    Q_INVOKABLE bool saveCopy(const QString &path) const;
    // The picture's height shown above the view's top.
    Q_INVOKABLE int scrolledTo() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPicture();

    ArchivedRun m_run;
    QImage m_image;
    QLabel *m_caption;
    QLabel *m_picture;
    QScrollArea *m_area;
};
