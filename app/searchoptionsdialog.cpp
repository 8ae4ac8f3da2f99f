#include "app/searchoptionsdialog.h"

#include "search/placequery.h"
#include "store/archive.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit *edit(const QString &text, const char *name, const QString &hint, QWidget *parent)
{
    auto *line = new QLineEdit(text, parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setToolTip(hint);
    return line;
}

} // namespace

SearchOptionsDialog::SearchOptionsDialog(const SearchOptions &options, QWidget *parent)
    : QDialog(parent)
{
    const SearchPlace &place = options.place;
    setObjectName(QStringLiteral("OpzioniRicerca"));
    setWindowTitle(QStringLiteral("Opzioni di ricerca"));
    m_device = new QComboBox(this);
    m_device->setObjectName(QStringLiteral("Dispositivo"));
    for (Device device : {Device::Computer, Device::Smartphone})
        m_device->addItem(SearchPlaces::deviceName(device), int(device));
    m_device->setCurrentIndex(m_device->findData(int(place.device)));
    m_country = edit(place.country, "Paese", QStringLiteral("Due lettere: it, us, de, gb..."), this);
    m_language = edit(place.language, "Lingua", QStringLiteral("La lingua dell'interfaccia di Google: it, en, pt-BR..."), this);
    m_place = edit(place.place, "Luogo",
                   QStringLiteral("Vuoto: dove si trova il computer. Una città o una regione col nome che le dà Google, "
                                  "fino al paese: Milan,Lombardy,Italy"),
                   this);
    m_place->setPlaceholderText(QStringLiteral("Milan,Lombardy,Italy"));
    m_pictures = new QSpinBox(this);
    m_pictures->setObjectName(QStringLiteral("Prove"));
    m_pictures->setRange(0, 1000);
    m_pictures->setValue(options.picturesKept);
    m_pictures->setToolTip(QStringLiteral("Quante immagini della pagina letta tenere per ogni frase, dispositivo e luogo; "
                                          "0: nessuna"));
    m_settle = new QSpinBox(this);
    m_settle->setObjectName(QStringLiteral("AttesaLettura"));
    m_settle->setRange(0, Settling::kLongestSeconds);
    m_settle->setSuffix(QStringLiteral(" s"));
    m_settle->setValue(options.settleSeconds);
    m_settle->setToolTip(QStringLiteral("Quanto attendere al più, dopo il caricamento, che la pagina dei risultati smetta di "
                                        "cambiare (una Panoramica AI che arriva tardi) prima di leggerla; 0: subito"));
    m_archive = edit(options.archive, "ArchivioCondiviso",
                     QStringLiteral("Vuoto: l'archivio nella cartella dei dati. Un database PostgreSQL che più computer "
                                    "condividono: postgresql://UTENTE@HOST:PORTA/DATABASE; la password va in ~/.pgpass. "
                                    "Vale dal prossimo avvio del programma."),
                     this);
    m_archive->setPlaceholderText(QStringLiteral("nella cartella dei dati"));
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("Problema"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Dispositivo"), m_device);
    form->addRow(QStringLiteral("Paese"), m_country);
    form->addRow(QStringLiteral("Lingua"), m_language);
    form->addRow(QStringLiteral("Luogo"), m_place);
    form->addRow(QStringLiteral("Pagine viste da tenere"), m_pictures);
    form->addRow(QStringLiteral("Attesa della lettura"), m_settle);
    form->addRow(QStringLiteral("Archivio condiviso"), m_archive);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    buttons->button(QDialogButtonBox::RestoreDefaults)->setText(QStringLiteral("Predefinite"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SearchOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SearchOptionsDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
        const SearchPlace defaults;
        m_device->setCurrentIndex(m_device->findData(int(defaults.device)));
        m_country->setText(defaults.country);
        m_language->setText(defaults.language);
        m_place->clear();
        m_pictures->setValue(RunPictures::kKeptByDefault);
        if (m_settle->isEnabled())
            m_settle->setValue(Settling::kDefaultSeconds);
        if (!m_archive->isReadOnly())
            m_archive->clear();
    });
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void SearchOptionsDialog::keepProgramOptions()
{
    m_settle->setEnabled(false);
    m_archive->setReadOnly(true);
    m_archive->setToolTip(QStringLiteral("L'archivio del programma: si cambia da \"Strumenti\" > \"Opzioni di ricerca...\" "
                                         "della finestra principale."));
}

SearchOptions SearchOptionsDialog::options() const
{
    return SearchOptions{SearchPlace{Device(m_device->currentData().toInt()), m_country->text().trimmed().toLower(),
                                     m_language->text().trimmed(), m_place->text().trimmed()},
                         m_pictures->value(), m_archive->text().trimmed(), m_settle->value()};
}

void SearchOptionsDialog::accept()
{
    std::optional<QString> problem = PlaceQuery::problem(options().place);
    if (!problem && !options().archive.isEmpty())
        problem = Archive::addressProblem(options().archive);
    if (problem) {
        m_problem->setText(*problem);
        m_problem->show();
        return;
    }
    QDialog::accept();
}
