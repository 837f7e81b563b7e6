#include "DownloadSetupDialog.h"

#include "CheckEraseRange.h"
#include "WorkerSettings.h"
#include "ui_Downloadsetupdialog.h"

#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <limits>

namespace {
const int bytesPerMiB = 1048576;

void addHexPrefix(QString& text)
{
    if (!text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text.prepend(QLatin1String("0X"));
}

int hexDigits(int value)
{
    return int(QString::number(qMax(value, 0), 16).size());
}

// Hexadecimal with an optional "0x"/"0X"; no number is 0, a number past the
// int range is the largest int (the range check then refuses it).
int hexValue(const QString& text)
{
    const QString digits = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2) : text;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, 16);
    if (!ok)
        return 0;
    return int(qMin<qulonglong>(value, std::numeric_limits<int>::max()));
}
} // namespace

DownloadSetupDialog::DownloadSetupDialog(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , ui(new Ui::DownloadSetupDialog)
{
    ui->setupUi(this);
    const QRegularExpression hexText(QStringLiteral("^0[xX][a-fA-F0-9]+$"));
    ui->leEraseAddr->setValidator(new QRegularExpressionValidator(hexText, ui->leEraseAddr));
    ui->leEraseSize->setValidator(new QRegularExpressionValidator(hexText, ui->leEraseSize));
    connect(ui->flashsizeCombox, &QComboBox::currentIndexChanged, this, &DownloadSetupDialog::onFlashSizeChanged);
    setWindowTitle(tr("Settings"));
}

DownloadSetupDialog::~DownloadSetupDialog()
{
    delete ui;
}

void DownloadSetupDialog::loadFrom(WorkerSettings& s)
{
    ui->flashsizeCombox->setCurrentIndex(ui->flashsizeCombox->findText(s.FlashSize, Qt::MatchFixedString));
    const int baudIndex = ui->baudrateCombox->findText(s.BaudRate, Qt::MatchFixedString);
    if (baudIndex >= 0)
        ui->baudrateCombox->setCurrentIndex(baudIndex);
    ui->dnloadaddrLedt->setText(s.downloadAddr);
    ui->gbErase->setChecked(s.IsErase6620);
    addHexPrefix(s.EraseAddr6620);
    addHexPrefix(s.EraseSize6620);
    ui->leEraseAddr->setText(s.EraseAddr6620);
    ui->leEraseSize->setText(s.EraseSize6620);
    onFlashSizeChanged(0);
}

void DownloadSetupDialog::saveTo(WorkerSettings& s) const
{
    s.BaudRate = ui->baudrateCombox->currentText();
    s.FlashSize = ui->flashsizeCombox->currentText();
    s.IsErase6620 = ui->gbErase->isChecked();
    s.EraseAddr6620 = ui->leEraseAddr->text();
    s.EraseSize6620 = ui->leEraseSize->text();
    s.downloadAddr = ui->dnloadaddrLedt->text();
}

int DownloadSetupDialog::flashBytes() const
{
    const QString text = ui->flashsizeCombox->currentText().trimmed();
    const int mib = !text.isEmpty() && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')
        ? text.at(0).digitValue()
        : 0;
    return mib * bytesPerMiB;
}

void DownloadSetupDialog::onFlashSizeChanged(int)
{
    // Two characters for the "0x" in front of the digits.
    const int flash = flashBytes();
    ui->leEraseAddr->setMaxLength(hexDigits(flash) + 2);
    ui->leEraseSize->setMaxLength(hexDigits(flash - 0x1000) + 2);
}

void DownloadSetupDialog::accept()
{
    if (ui->gbErase->isChecked()) {
        QString error;
        const int address = hexValue(ui->leEraseAddr->text());
        const int size = hexValue(ui->leEraseSize->text());
        if (!checkEraseRange(flashBytes(), address, size, error)) {
            QMessageBox::critical(this, tr("Error"), error, QMessageBox::Ok);
            return;
        }
    }
    QDialog::accept();
}
