#include "RecipePanel.h"

#include "DownloadSetupDialog.h"
#include "ElidedLabel.h"
#include "IdentityDialog.h"
#include "IdentitySettings.h"
#include "LeadPin.h"
#include "PortChooser.h"
#include "Recipe.h"
#include "WorkerSettings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

RecipePanel::RecipePanel(Recipe& recipe, QWidget* parent)
    : QGroupBox(parent)
    , recipe(recipe)
{
    buildWidgets();
    layOut();
    connect(fileBtn, &QPushButton::clicked, this, &RecipePanel::chooseFile);
    connect(setupBtn, &QPushButton::clicked, this, &RecipePanel::editSetup);
    connect(portsBtn, &QPushButton::clicked, this, &RecipePanel::choosePorts);
    connect(lockBtn, &QPushButton::clicked, this, &RecipePanel::unlockOrLock);
    connect(pinBtn, &QPushButton::clicked, this, &RecipePanel::setPin);
    connect(identityBtn, &QPushButton::clicked, this, &RecipePanel::editIdentity);
    connect(retriesBox, &QSpinBox::valueChanged, this, [this](int retries) {
        if (retries == this->recipe.retries)
            return;
        this->recipe.retries = retries;
        emit recipeChanged();
    });
    connect(soundBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on == this->recipe.failSound)
            return;
        this->recipe.failSound = on;
        emit recipeChanged();
    });
    // An editor that saves by replacing the file ends the watch: watch the new file.
    connect(&imageFile, &QFileSystemWatcher::fileChanged, this, [this] {
        watchImageFile();
        showImage();
    });
    retranslate();
    refreshLock();
}

void RecipePanel::buildWidgets()
{
    fileEdit = new QLineEdit(this);
    fileEdit->setObjectName(QStringLiteral("fileEdit"));
    fileEdit->setReadOnly(true);
    fileBtn = new QPushButton(QStringLiteral("..."), this);
    fileBtn->setObjectName(QStringLiteral("fileBtn"));
    imageLabel = new ElidedLabel(Qt::ElideRight, this);
    imageLabel->setObjectName(QStringLiteral("imageInfo"));
    setupBtn = new QPushButton(this);
    setupBtn->setObjectName(QStringLiteral("setupBtn"));
    setupLabel = new ElidedLabel(Qt::ElideRight, this);
    portsBtn = new QPushButton(this);
    portsBtn->setObjectName(QStringLiteral("portsBtn"));
    portsLabel = new ElidedLabel(Qt::ElideRight, this);
    portsLabel->setObjectName(QStringLiteral("portsInfo"));
    retriesBox = new QSpinBox(this);
    retriesBox->setObjectName(QStringLiteral("retries"));
    retriesBox->setRange(0, Recipe::maxRetries);
    soundBox = new QCheckBox(this);
    soundBox->setObjectName(QStringLiteral("failSound"));
    lockBtn = new QPushButton(this);
    lockBtn->setObjectName(QStringLiteral("lockBtn"));
    pinBtn = new QPushButton(this);
    pinBtn->setObjectName(QStringLiteral("pinBtn"));
    identityBtn = new QPushButton(this);
    identityBtn->setObjectName(QStringLiteral("identityBtn"));
    identityLabel = new ElidedLabel(Qt::ElideRight, this);
    identityLabel->setObjectName(QStringLiteral("identityInfo"));
}

void RecipePanel::layOut()
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->setVerticalSpacing(2);
    layout->addWidget(fileEdit, 0, 0);
    layout->addWidget(fileBtn, 0, 1);
    layout->addWidget(imageLabel, 0, 2);
    layout->addWidget(setupBtn, 0, 3);
    layout->addWidget(setupLabel, 0, 4);
    layout->addWidget(portsLabel, 1, 0, 1, 3);
    layout->addWidget(portsBtn, 1, 3);
    auto* options = new QHBoxLayout;
    options->addWidget(retriesBox);
    options->addWidget(soundBox);
    options->addStretch(1);
    options->addWidget(lockBtn);
    options->addWidget(pinBtn);
    layout->addLayout(options, 1, 4);
    layout->addWidget(identityLabel, 2, 0, 1, 3);
    layout->addWidget(identityBtn, 2, 3);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(2, 3);
    layout->setColumnStretch(4, 3);
}

void RecipePanel::setRunning(bool now)
{
    running = now;
    refreshLock();
}

bool RecipePanel::isEditable() const
{
    return !running && !leadLocked();
}

bool RecipePanel::leadLocked() const
{
    return !recipe.leadPin.isEmpty() && !unlocked;
}

void RecipePanel::refreshLock()
{
    const bool editable = isEditable();
    for (QWidget* part : std::initializer_list<QWidget*> { fileBtn, setupBtn, portsBtn, identityBtn, retriesBox, soundBox })
        part->setEnabled(editable);
    const bool pinSet = !recipe.leadPin.isEmpty();
    lockBtn->setVisible(pinSet);
    lockBtn->setText(unlocked ? tr("Lock") : tr("Unlock..."));
    pinBtn->setEnabled(!pinSet || unlocked);
    emit lockChanged();
}

void RecipePanel::retranslate()
{
    setTitle(tr("Recipe"));
    setupBtn->setText(tr("Setup"));
    portsBtn->setText(tr("Ports..."));
    retriesBox->setPrefix(tr("Retries: "));
    soundBox->setText(tr("Sound on failure"));
    pinBtn->setText(tr("Lead PIN..."));
    identityBtn->setText(tr("Identity..."));
    showRecipe();
    refreshLock();
}

void RecipePanel::showRecipe()
{
    fileEdit->setText(recipe.FileName);
    QString setup = tr("%1 baud, %2, at %3").arg(recipe.BaudRate, recipe.FlashSize, recipe.downloadAddr);
    if (recipe.IsErase6620)
        setup += tr(", erase %1 + %2").arg(recipe.EraseAddr6620, recipe.EraseSize6620);
    setupLabel->setFullText(setup);
    portsLabel->setFullText(
        recipe.ports.isEmpty() ? tr("No ports chosen") : tr("Ports: %1").arg(recipe.ports.join(QStringLiteral(", "))));
    const QSignalBlocker quietRetries(retriesBox);
    retriesBox->setValue(recipe.retries);
    const QSignalBlocker quietSound(soundBox);
    soundBox->setChecked(recipe.failSound);
    watchImageFile();
    showImage();
    showIdentity();
}

void RecipePanel::showIdentity()
{
    IdentitySettings identity;
    QString why;
    const bool usable = recipe.fillIdentity(identity, why);
    // A lab pool is accepted, with its warning beside it.
    const bool labPool = recipe.identity.enabled && usable && !identity.pool.warning().isEmpty();
    QString text;
    if (!recipe.identity.enabled)
        text = tr("MAC addresses: not assigned");
    else if (!usable)
        text = tr("MAC addresses: %1").arg(why);
    else
        text = tr("MAC addresses: %1, %2 per chip, %3 at 0x%4")
                   .arg(identity.pool.text())
                   .arg(identity.pool.macsPerChip)
                   .arg(IdentitySettings::formatName(identity.format))
                   .arg(identity.flashAddress, 0, 16);
    if (labPool)
        text += tr(" (locally administered: for labs, not products)");
    identityLabel->setFullText(text);
    if (recipe.identity.enabled && !usable)
        identityLabel->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    else if (labPool)
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
    emit recipeChanged();
}

void RecipePanel::showImageInUse(const std::optional<RecipeImage>& image)
{
    inUse = image;
    showImage();
}

void RecipePanel::watchImageFile()
{
    if (!imageFile.files().isEmpty())
        imageFile.removePaths(imageFile.files());
    if (QFileInfo::exists(recipe.FileName))
        imageFile.addPath(recipe.FileName);
}

// The file is read here only to show it: the stations take the bytes read at their start.
void RecipePanel::showImage()
{
    bool trouble = false;
    imageLabel->setFullText(imageText(trouble));
    imageLabel->setStyleSheet(trouble ? QStringLiteral("color: rgb(255, 0, 0);") : QString());
}

QString RecipePanel::imageText(bool& trouble) const
{
    const auto describe = [](const RecipeImage& image) {
        return tr("%1 bytes, CRC-32 %2")
            .arg(QLocale().toString(qlonglong(image.bytes.size())), RecipeImage::crcText(image.crc32));
    };
    QString error;
    const std::optional<RecipeImage> onDisk = RecipeImage::read(recipe, &error);
    if (inUse) {
        trouble = !onDisk || onDisk->bytes != inUse->bytes;
        // The warning first: a line too long for the screen is cut at its end.
        return trouble ? tr("The file on disk has changed since the start; in use: %1").arg(describe(*inUse))
                       : tr("In use: %1").arg(describe(*inUse));
    }
    trouble = true;
    if (!onDisk)
        return error;
    if (!RecipeImage::load(recipe, &error))
        return error;
    trouble = false;
    return describe(*onDisk);
}

void RecipePanel::chooseFile()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Open BIN file"), QString(), tr("BIN files (*.bin)"));
    if (name.isEmpty())
        return;
    Recipe chosen = recipe;
    chosen.FileName = name;
    QString error;
    const std::optional<RecipeImage> image = RecipeImage::read(chosen, &error);
    if (!image) {
        QMessageBox::critical(this, tr("Error"), error);
        return;
    }
    // The recipe pins what the lead chose: a file changed later is refused at the start.
    recipe.FileName = name;
    recipe.imageSize = image->bytes.size();
    recipe.imageCrc = RecipeImage::crcText(image->crc32);
    showRecipe();
    emit imageChosen();
    emit recipeChanged();
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
    emit recipeChanged();
}

void RecipePanel::choosePorts()
{
    PortChooser chooser(recipe.ports, listingSource, this);
    if (chooser.exec() != QDialog::Accepted)
        return;
    recipe.ports = chooser.chosenPorts();
    showRecipe();
    emit portsChosen();
    emit recipeChanged();
}

void RecipePanel::unlockOrLock()
{
    if (unlocked) {
        unlocked = false;
        refreshLock();
        return;
    }
    bool entered = false;
    const QString pin = QInputDialog::getText(
        this, tr("Unlock the recipe"), tr("Lead PIN:"), QLineEdit::Password, QString(), &entered);
    if (!entered)
        return;
    if (!LeadPin::matches(recipe.leadPin, pin)) {
        QMessageBox::warning(this, tr("Wrong PIN"), tr("The PIN is wrong: the recipe stays locked."));
        return;
    }
    unlocked = true;
    refreshLock();
}

void RecipePanel::setPin()
{
    bool entered = false;
    const QString pin = QInputDialog::getText(this, tr("Lead PIN"),
        tr("New lead PIN (empty: the recipe is not locked):"), QLineEdit::Password, QString(), &entered);
    if (!entered)
        return;
    recipe.leadPin = pin.isEmpty() ? QString() : LeadPin::stored(pin);
    // The lead who set it is here: the recipe stays open until Lock.
    unlocked = !pin.isEmpty();
    refreshLock();
    emit recipeChanged();
}
