#include "IdentityDialog.h"

#include "IdentitySettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

IdentityDialog::IdentityDialog(const Recipe::Identity& identity, const QString& flashSize, QWidget* parent)
    : QDialog(parent)
    , flashSize(flashSize)
{
    setWindowTitle(tr("Chip identity"));
    enabledBox = new QCheckBox(tr("Give each chip its own MAC address"), this);
    enabledBox->setObjectName(QStringLiteral("identityEnabled"));
    enabledBox->setChecked(identity.enabled);
    const QStringList ends = identity.pool.split(QLatin1Char('-'));
    firstEdit = new QLineEdit(ends.value(0).trimmed(), this);
    firstEdit->setObjectName(QStringLiteral("poolFirst"));
    firstEdit->setPlaceholderText(QStringLiteral("AA:BB:CC:00:00:00"));
    lastEdit = new QLineEdit(ends.value(1).trimmed(), this);
    lastEdit->setObjectName(QStringLiteral("poolLast"));
    lastEdit->setPlaceholderText(QStringLiteral("AA:BB:CC:00:FF:FF"));
    flashEdit = new QLineEdit(identity.flashAddress, this);
    flashEdit->setObjectName(QStringLiteral("macFlashAddress"));
    flashEdit->setPlaceholderText(QStringLiteral("0xFF000"));
    formatBox = new QComboBox(this);
    formatBox->setObjectName(QStringLiteral("macFormat"));
    formatBox->addItem(tr("raw: 6 bytes, first octet first"), QStringLiteral("raw"));
    formatBox->addItem(tr("text: 12 upper-case hexadecimal digits"), QStringLiteral("text"));
    formatBox->setCurrentIndex(std::max(0, formatBox->findData(identity.format)));
    perChipBox = new QComboBox(this);
    perChipBox->setObjectName(QStringLiteral("macsPerChip"));
    for (const int count : { 1, 2, 4 })
        perChipBox->addItem(QString::number(count), count);
    perChipBox->setCurrentIndex(std::max(0, perChipBox->findData(identity.macsPerChip)));
    note = new QLabel(this);
    note->setObjectName(QStringLiteral("identityNote"));
    note->setWordWrap(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(tr("First address of the pool"), firstEdit);
    form->addRow(tr("Last address of the pool"), lastEdit);
    form->addRow(tr("Flash address of the MAC"), flashEdit);
    form->addRow(tr("Format"), formatBox);
    form->addRow(tr("Addresses per chip"), perChipBox);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enabledBox);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit* edit : { firstEdit, lastEdit, flashEdit })
        connect(edit, &QLineEdit::textChanged, this, &IdentityDialog::judge);
    connect(enabledBox, &QCheckBox::toggled, this, &IdentityDialog::judge);
    connect(formatBox, &QComboBox::currentIndexChanged, this, &IdentityDialog::judge);
    connect(perChipBox, &QComboBox::currentIndexChanged, this, &IdentityDialog::judge);
    judge();
}

Recipe::Identity IdentityDialog::identity() const
{
    Recipe::Identity identity;
    identity.enabled = enabledBox->isChecked();
    identity.pool = firstEdit->text().trimmed() + QLatin1Char('-') + lastEdit->text().trimmed();
    identity.flashAddress = flashEdit->text().trimmed();
    identity.format = formatBox->currentData().toString();
    identity.macsPerChip = perChipBox->currentData().toInt();
    return identity;
}

// Settings that the stations would refuse cannot be taken; a lab pool can, with its warning.
void IdentityDialog::judge()
{
    Recipe recipe;
    recipe.FlashSize = flashSize;
    recipe.identity = identity();
    const bool enabled = recipe.identity.enabled;
    for (QWidget* field : std::initializer_list<QWidget*> { firstEdit, lastEdit, flashEdit, formatBox, perChipBox })
        field->setEnabled(enabled);
    IdentitySettings settings;
    QString why;
    const bool usable = recipe.fillIdentity(settings, why);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(usable);
    if (!usable) {
        note->setText(tr("The stations would refuse this: %1").arg(why));
        note->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    } else if (enabled && !settings.pool.warning().isEmpty()) {
        note->setText(tr("These addresses are locally administered: for labs, not products."));
        note->setStyleSheet(QStringLiteral("color: rgb(200, 120, 0);"));
    } else {
        note->setText(enabled ? tr("Chips this pool can serve: %1").arg(QLocale().toString(settings.pool.chipCount()))
                              : QString());
        note->setStyleSheet(QString());
    }
}
