#include "dialogs/preferencesdialog.h"

#include "app/uiprompt.h"
#include "dialogs/updatesettings.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>

namespace {
QStringList intervalTexts()
{
    return {PreferencesDialog::tr("Daily"), PreferencesDialog::tr("Weekly"),
            PreferencesDialog::tr("Monthly")};
}
} // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent)
    : QDialog(parent)
    , m_dragPosition(0, 0)
{
    setupUi(this);
    setWindowFlags(Qt::Sheet);
    OnInit();
    ByDefaultSettings();
}

PreferencesDialog::~PreferencesDialog() = default;

void PreferencesDialog::OnInit()
{
    connect(OkButton, SIGNAL(clicked()), this, SLOT(OnOK()));
    connect(CancelButton, SIGNAL(clicked()), this, SLOT(OnCancelButton()));
    comboBoxUpdates->addItems(intervalTexts());
    connect(CheckUpdateButton, SIGNAL(clicked()), this, SLOT(CheckUpdate()));
    connect(CheckForUpdateCheckBox, SIGNAL(stateChanged(int)), this, SLOT(OnCheckUpdateChange(int)));
    comboBoxUpdates->setEnabled(false);
}

void PreferencesDialog::ByDefaultSettings()
{
    QSettings store(updatesettings::organisationName(), updatesettings::applicationName());
    const updatesettings::UpdateSettings settings = updatesettings::load(store);
    // Also run after a cancel: the list starts from its first item, as when
    // the dialog was built.
    comboBoxUpdates->setCurrentIndex(0);
    if (!settings.checkForUpdate) {
        CheckForUpdateCheckBox->setChecked(false);
        comboBoxUpdates->setEnabled(false);
        return;
    }
    CheckForUpdateCheckBox->setChecked(true);
    comboBoxUpdates->setEnabled(true);
    // An unknown interval leaves the list at its current item.
    const int index = updatesettings::intervalIndex(settings.interval, intervalTexts());
    if (index >= 0)
        comboBoxUpdates->setCurrentIndex(index);
}

void PreferencesDialog::OnCheckUpdateInitially()
{
}

void PreferencesDialog::OnPeriodicallyCheckUpdate()
{
}

void PreferencesDialog::OnOK()
{
    {
        QSettings store(updatesettings::organisationName(), updatesettings::applicationName());
        updatesettings::store(store, CheckForUpdateCheckBox->isChecked(),
                              comboBoxUpdates->currentText());
    }
    accept();
}

void PreferencesDialog::OnCancelButton()
{
    // Cancelled edits must not reach the store through a later OK.
    ByDefaultSettings();
    hide();
}

void PreferencesDialog::reject()
{
    ByDefaultSettings();
    QDialog::reject();
}

void PreferencesDialog::OnCheckUpdateChange(int state)
{
    comboBoxUpdates->setEnabled(state != Qt::Unchecked);
}

void PreferencesDialog::CheckUpdate()
{
}

void PreferencesDialog::OnNoUpdateAvailable()
{
    showInformation(this, QString(), tr("No updates available. Your software has latest updates installed."));
    CheckUpdateButton->setEnabled(true);
}

void PreferencesDialog::mousePressEvent(QMouseEvent *event)
{
    // The dialog is dragged by any free spot of its surface.
    if (event->button() == Qt::LeftButton) {
        m_dragPosition = event->globalPos() - frameGeometry().topLeft();
        event->accept();
    }
}

void PreferencesDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton) {
        move(event->globalPos() - m_dragPosition);
        event->accept();
    }
}

void PreferencesDialog::paintEvent(QPaintEvent *event)
{
    // The palette's Window colour is the whole background; nothing is drawn on it.
    Q_UNUSED(event);
}

void PreferencesDialog::resizeEvent(QResizeEvent *event)
{
    Q_UNUSED(event);
    QBitmap mask(size());
    mask.fill(Qt::color0);
    {
        QPainter painter(&mask);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(0, 0, width(), height(), 0, 0);
    }
    setMask(mask);
}
