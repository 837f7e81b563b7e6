#include "RecipePanel.h"

#include "DownloadSetupDialog.h"
#include "IdentityDialog.h"
#include "IdentitySettings.h"
#include "PortChooser.h"
#include "Recipe.h"
#include "RecipeImage.h"
#include "WorkerSettings.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

RecipePanel::RecipePanel(Recipe& recipe, QWidget* parent)
    : QGroupBox(parent)
    , recipe(recipe)
{
    fileEdit = new QLineEdit(this);
    fileEdit->setObjectName(QStringLiteral("fileEdit"));
    fileEdit->setReadOnly(true);
    fileBtn = new QPushButton(QStringLiteral("..."), this);
    fileBtn->setObjectName(QStringLiteral("fileBtn"));
    imageLabel = new QLabel(this);
    imageLabel->setObjectName(QStringLiteral("imageInfo"));
    setupBtn = new QPushButton(this);
    setupBtn->setObjectName(QStringLiteral("setupBtn"));
    setupLabel = new QLabel(this);
    portsBtn = new QPushButton(this);
    portsBtn->setObjectName(QStringLiteral("portsBtn"));
    portsLabel = new QLabel(this);
    portsLabel->setWordWrap(true);
    identityBtn = new QPushButton(this);
    identityBtn->setObjectName(QStringLiteral("identityBtn"));
    identityLabel = new QLabel(this);
    identityLabel->setObjectName(QStringLiteral("identityInfo"));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(fileEdit, 0, 0);
    layout->addWidget(fileBtn, 0, 1);
    layout->addWidget(imageLabel, 0, 2);
    layout->addWidget(setupBtn, 0, 3);
    layout->addWidget(setupLabel, 0, 4);
    layout->addWidget(portsBtn, 1, 3);
    layout->addWidget(portsLabel, 1, 0, 1, 3);
    layout->addWidget(identityBtn, 2, 3);
    layout->addWidget(identityLabel, 2, 0, 1, 3);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(4, 2);

    connect(fileBtn, &QPushButton::clicked, this, &RecipePanel::chooseFile);
    connect(setupBtn, &QPushButton::clicked, this, &RecipePanel::editSetup);
    connect(portsBtn, &QPushButton::clicked, this, &RecipePanel::choosePorts);
    connect(identityBtn, &QPushButton::clicked, this, &RecipePanel::editIdentity);
    retranslate();
}

void RecipePanel::setLocked(bool locked)
{
    fileBtn->setEnabled(!locked);
    setupBtn->setEnabled(!locked);
    portsBtn->setEnabled(!locked);
    identityBtn->setEnabled(!locked);
}

void RecipePanel::retranslate()
{
    setTitle(tr("Recipe"));
    setupBtn->setText(tr("Setup"));
    portsBtn->setText(tr("Ports..."));
    identityBtn->setText(tr("Identity..."));
    showRecipe();
}

void RecipePanel::showRecipe()
{
    fileEdit->setText(recipe.FileName);
    QString setup = tr("%1 baud, %2, at %3").arg(recipe.BaudRate, recipe.FlashSize, recipe.downloadAddr);
    if (recipe.IsErase6620)
        setup += tr(", erase %1 + %2").arg(recipe.EraseAddr6620, recipe.EraseSize6620);
    setupLabel->setText(setup);
    portsLabel->setText(recipe.ports.isEmpty() ? tr("No ports chosen") : tr("Ports: %1").arg(recipe.ports.join(QStringLiteral(", "))));
    showImage();
    showIdentity();
}

void RecipePanel::showIdentity()
{
    IdentitySettings identity;
    QString why;
    const bool usable = recipe.fillIdentity(identity, why);
    if (!recipe.identity.enabled) {
        identityLabel->setText(tr("MAC addresses: not assigned"));
    } else if (!usable) {
        identityLabel->setText(tr("MAC addresses: %1").arg(why));
    } else {
        identityLabel->setText(tr("MAC addresses: %1, %2 per chip, %3 at 0x%4")
                                   .arg(identity.pool.text())
                                   .arg(identity.pool.macsPerChip)
                                   .arg(IdentitySettings::formatName(identity.format))
                                   .arg(identity.flashAddress, 0, 16));
    }
    // A lab pool is accepted, with its warning beside it.
    const QString warning = recipe.identity.enabled && usable ? identity.pool.warning() : QString();
    identityLabel->setToolTip(warning);
    if (!warning.isEmpty())
        identityLabel->setText(identityLabel->text() + tr(" (locally administered: for labs, not products)"));
    if (recipe.identity.enabled && !usable)
        identityLabel->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    else if (!warning.isEmpty())
        identityLabel->setStyleSheet(QStringLiteral("color: rgb(200, 120, 0);"));
    else
        identityLabel->setStyleSheet(QString());
}

void RecipePanel::editIdentity()
{
    IdentityDialog dialog(recipe.identity, recipe.FlashSize, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    recipe.identity = dialog.identity();
    showRecipe();
}

// Read here only to show it: the stations take the image read at their start.
void RecipePanel::showImage()
{
    if (recipe.FileName.isEmpty()) {
        imageLabel->setText(tr("No image chosen"));
        imageLabel->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
        return;
    }
    QString error;
    const std::optional<RecipeImage> image = RecipeImage::load(recipe, &error);
    if (!image) {
        imageLabel->setText(error);
        imageLabel->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
        return;
    }
    const QString crc = QString::number(image->crc32, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    imageLabel->setText(tr("%1 bytes, CRC-32 0x%2").arg(QLocale().toString(qlonglong(image->bytes.size())), crc));
    imageLabel->setStyleSheet(QString());
}

void RecipePanel::chooseFile()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Open BIN file"), QString(), tr("BIN files (*.bin)"));
    if (name.isEmpty())
        return;
    recipe.FileName = name;
    showRecipe();
}

void RecipePanel::editSetup()
{
    WorkerSettings settings(0);
    recipe.fillSettings(settings);
    DownloadSetupDialog dialog(this);
    dialog.loadFrom(settings);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.saveTo(settings);
    recipe.BaudRate = settings.BaudRate;
    recipe.FlashSize = settings.FlashSize;
    recipe.downloadAddr = settings.downloadAddr;
    recipe.IsErase6620 = settings.IsErase6620;
    recipe.EraseAddr6620 = settings.EraseAddr6620;
    recipe.EraseSize6620 = settings.EraseSize6620;
    showRecipe();
}

void RecipePanel::choosePorts()
{
    PortChooser chooser(recipe.ports, this);
    if (chooser.exec() != QDialog::Accepted)
        return;
    recipe.ports = chooser.chosenPorts();
    showRecipe();
    emit portsChosen();
}
