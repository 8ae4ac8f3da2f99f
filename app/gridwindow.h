#pragma once

#include "app/listwindow.h"
#include "search/grid.h"

#include <QDialog>
#include <memory>
#include <optional>

class GridSession;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// "Griglia locale": a grid of searches around a place, each point searched
// by the main window's search run as a list's phrase is; a line a point,
// the grid's picture growing as the points end, its measures and what
// changed from the previous grid at the end.
class GridWindow : public QDialog
{
    Q_OBJECT
public:
    GridWindow(SearchRun *run, ListSource source, QWidget *parent);
    ~GridWindow() override;

    GridSession *session() const { return m_session.get(); }
    // The picture as it stands, written as PNG; false when it could not be.
    bool savePicture(const QString &file) const;

private:
    // "Avvia" or "Riprendi", and "Arresta".
    void startOrStop(bool resume);
    GridPlan gridPlanOf() const;
    void pointEnded(const GridPointRecord &point);
    void finished();
    void showPicture();
    void choosePictureFile();
    void setInputsEnabled(bool enabled);

    SearchRun *m_searchRun;
    ListSource m_source;
    std::unique_ptr<GridSession> m_session;
    QSpinBox *m_size = nullptr;
    QLineEdit *m_centre = nullptr;
    QDoubleSpinBox *m_spacing = nullptr;
    QLineEdit *m_phrase = nullptr;
    QLineEdit *m_fragment = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_resume = nullptr;
    QPushButton *m_save = nullptr;
    QPlainTextEdit *m_points = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_where = nullptr;
};
