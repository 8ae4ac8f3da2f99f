#pragma once

#include "store/searchoptionsfile.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "Opzioni di ricerca": the device, country, language and place a search is
// made from. It closes only on options that can be searched; otherwise it
// says why and stays.
class SearchOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    SearchOptionsDialog(const SearchOptions &options, QWidget *parent);

    SearchOptions options() const;
    // The archive and the reading's wait are shown, not changed: they are the
    // program's, not a list's.
    void keepProgramOptions();

    void accept() override;

private:
    QComboBox *m_device;
    QLineEdit *m_country;
    QLineEdit *m_language;
    QLineEdit *m_place;
    QLineEdit *m_archive;
    QSpinBox *m_pictures;
    QSpinBox *m_settle;
    QLabel *m_problem;
};
