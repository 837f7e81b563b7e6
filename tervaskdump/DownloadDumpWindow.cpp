#include "DownloadDumpWindow.h"

#include "DownloadWorker.h"
#include "JobThread.h"
#include "LogView.h"
#include "PortListBox.h"
#include "WindowToolBar.h"
#include "WorkerSettings.h"
#include "ui_DownloadDumpWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {
const QString toolVersion = QStringLiteral("V01.00.03");
const QString buildDate = QStringLiteral("2020-10-22");
const int bytesPerMiB = 1048576;
const int reservedBytes = 4096;
const int numberEditLength = 8;

// The flash size in bytes: the digit the choice begins with, in MiB; 0 for anything else.
int flashBytesOf(const QString& choice)
{
    const QString text = choice.trimmed();
    if (text.isEmpty() || !text.at(0).isDigit())
        return 0;
    return text.at(0).digitValue() * bytesPerMiB;
}

// Retranslating the form only renames the items; the lists are filled anew,
// which also selects their first items again.
void refillChoices(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    box->clear();
    box->addItems(items);
}
} // namespace

DownloadDumpWindow::DownloadDumpWindow(int workMode, QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
    , ui(new Ui::DownloadDumpWindow)
{
    ui->setupUi(this);
    logView = std::make_unique<LogView>(ui->teLog);
    ui->teLog->setStyleSheet(LogView::initialStyleSheet());
    setWindowTitle(QStringLiteral("VYN Dump Tool %1").arg(toolVersion));
    ui->logo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));

    connect(ui->saveLEdt, &QLineEdit::textChanged, this, &DownloadDumpWindow::onFilenameChanged);
    connect(ui->addrLEdt, &QLineEdit::textChanged, this, &DownloadDumpWindow::onAddrChanged);
    connect(ui->sizeLEdt, &QLineEdit::textChanged, this, &DownloadDumpWindow::onSizeChanged);

    createWorker(workMode);
    ui->saveLEdt->setText(settings->SaveFile);
    ui->addrLEdt->setText(settings->DumpAddr);
    ui->sizeLEdt->setText(settings->DumpSize);

    toolBar = new WindowToolBar(this, WindowToolBar::AboutOnly);
    connect(toolBar, &WindowToolBar::aboutTriggered, this, &DownloadDumpWindow::onAbout);
    connect(toolBar, &WindowToolBar::languageToggled, this, &DownloadDumpWindow::onLanguage);

    settings->portName.clear();
    toolBar->showLanguage(settings->language);

    limitNumberEdits();
    ui->cbCom->installEventFilter(this);
    connectControls();
    selectFlashSize();
    refreshControls();
}

DownloadDumpWindow::~DownloadDumpWindow()
{
    delete ui;
}

void DownloadDumpWindow::createWorker(int workMode)
{
    jobThread = std::make_unique<JobThread>(workMode);
    worker = jobThread->worker();
    settings = jobThread->settings();
}

void DownloadDumpWindow::limitNumberEdits()
{
    const QRegularExpression lettersAndDigits(QStringLiteral("^[a-zA-Z0-9]+$"));
    for (QLineEdit* edit : { ui->addrLEdt, ui->sizeLEdt }) {
        edit->setMaxLength(numberEditLength);
        edit->setValidator(new QRegularExpressionValidator(lettersAndDigits, edit));
    }
}

void DownloadDumpWindow::connectControls()
{
    connect(ui->cbCom, &QComboBox::currentIndexChanged, this, &DownloadDumpWindow::onPortChange);
    connect(ui->fsCom, &QComboBox::currentIndexChanged, this, &DownloadDumpWindow::onFlashSizeChanged);
    connect(ui->fileBtn, &QPushButton::clicked, this, &DownloadDumpWindow::onFileBtn);
    connect(ui->startBtn, &QPushButton::clicked, this, &DownloadDumpWindow::onStartBtn);
    connect(ui->stopBtn, &QPushButton::clicked, this, &DownloadDumpWindow::onStop);
    connect(this, &DownloadDumpWindow::sngStartWorker, worker, &DownloadWorker::start);
    connect(worker, &DownloadWorker::sngFinishAll, this, &DownloadDumpWindow::onFinishAll);
    connect(worker, &DownloadWorker::sngLog, this, &DownloadDumpWindow::onLogtext);
    connect(worker, &DownloadWorker::sngProgress, this, &DownloadDumpWindow::onProgress);
}

void DownloadDumpWindow::selectFlashSize()
{
    const int index = ui->fsCom->findText(settings->FlashSize, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui->fsCom->setCurrentIndex(index);
    onFlashSizeChanged(ui->fsCom->currentIndex());
}

void DownloadDumpWindow::refreshControls()
{
    if (jobState != Running) {
        const bool complete = !ui->saveLEdt->text().isEmpty() && !settings->portName.isEmpty()
            && !ui->addrLEdt->text().isEmpty() && !ui->sizeLEdt->text().isEmpty();
        jobState = complete ? Ready : NotReady;
    }
    const bool idle = jobState != Running;
    ui->cbCom->setEnabled(idle && !workerBusy);
    ui->fsCom->setEnabled(idle);
    ui->fileBtn->setEnabled(idle);
    ui->addrLEdt->setEnabled(idle);
    ui->sizeLEdt->setEnabled(idle);
    ui->startBtn->setEnabled(jobState == Ready && !workerBusy);
    ui->stopBtn->setEnabled(jobState == Running);
}

void DownloadDumpWindow::onPortChange(int)
{
    settings->portName = ui->cbCom->currentText();
    jobState = settings->portName.isEmpty() ? NotReady : Ready;
    refreshControls();
}

void DownloadDumpWindow::onFlashSizeChanged(int)
{
    const QString choice = ui->fsCom->currentText();
    flashBytes = flashBytesOf(choice);
    availableBytes = flashBytes - reservedBytes;
    settings->FlashSize = choice;
}

void DownloadDumpWindow::onFilenameChanged()
{
    // Taken into the record at the next start when a job still reads it.
    if (!workerBusy)
        settings->SaveFile = ui->saveLEdt->text();
    refreshControls();
}

void DownloadDumpWindow::onAddrChanged()
{
    refreshControls();
}

void DownloadDumpWindow::onSizeChanged()
{
    refreshControls();
}

void DownloadDumpWindow::onFileBtn()
{
    const QString name = QFileDialog::getSaveFileName(this, tr("Open BIN file"), QString(), tr("BIn Files (*.bin)"));
    if (name.isEmpty())
        return;
    ui->saveLEdt->setText(name);
    settings->FileName = name;
    refreshControls();
}

bool DownloadDumpWindow::eventFilter(QObject* watched, QEvent* event)
{
    PortListBox::refreshOnPress(ui->cbCom, watched, event);
    return false;
}

void DownloadDumpWindow::onStartBtn()
{
    ui->teLog->clear();
    ui->progressBar->setValue(0);
    startJob(true);
}

void DownloadDumpWindow::startJob(bool needprepare)
{
    settings->SaveFile = ui->saveLEdt->text();
    settings->DumpAddr = ui->addrLEdt->text();
    settings->DumpSize = checkedDumpSize();
    settings->BaudRate = ui->baudCom->currentText();

    jobState = Running;
    workerBusy = true;
    refreshControls();
    emit sngStartWorker(needprepare);
    QCoreApplication::processEvents();
}

// The length typed, or the largest one the flash holds when it asks for more.
QString DownloadDumpWindow::checkedDumpSize()
{
    bool ok = false;
    quint32 requested = ui->sizeLEdt->text().toUInt(&ok, 16);
    if (!ok)
        requested = 0;
    const quint32 limit = quint32(availableBytes) / 4;
    if (requested <= limit)
        return ui->sizeLEdt->text();

    const QString limited = QStringLiteral("0x") + QString::number(limit, 16);
    QMessageBox::critical(this, tr("Error"),
        tr("The dump size is out of flash size, only 0x%1 size will be dumped!").arg(QString::number(limit, 16)),
        QMessageBox::Ok);
    ui->sizeLEdt->setText(limited);
    return limited;
}

void DownloadDumpWindow::onStop()
{
    if (jobState != Running)
        return;
    stopRunningJob();
}

void DownloadDumpWindow::stopRunningJob()
{
    worker->stop();
    jobState = Ready;
    refreshControls();
}

void DownloadDumpWindow::onFinishAll(bool)
{
    workerBusy = false;
    settings->SaveFile = ui->saveLEdt->text();
    jobState = Ready;
    refreshControls();
}

void DownloadDumpWindow::onProgress(int done, int total)
{
    ui->progressBar->setRange(0, qMax(total, 1));
    ui->progressBar->setValue(qMin(done, qMax(total, 1)));
}

void DownloadDumpWindow::onAbout()
{
    QMessageBox::information(this, tr("About dump tool"),
        tr("VYN dump tool %1\nBuild date: %2").arg(toolVersion, buildDate), QMessageBox::Ok);
}

void DownloadDumpWindow::onLanguage()
{
    settings->language = languages.load(toolBar->chineseChosen());
    setWindowTitle(QStringLiteral("VYN Dump Tool %1").arg(toolVersion));
    toolBar->retranslate();
    ui->retranslateUi(this);
    refillChoices(ui->baudCom);
    refillChoices(ui->fsCom);
}

void DownloadDumpWindow::closeEvent(QCloseEvent* event)
{
    settings->saveConfig();
    event->setAccepted(jobThread->confirmClose(
        this, [this] { onStop(); }, [this] { return !workerBusy; }));
}

void DownloadDumpWindow::onLogtext(QString log, QColor color)
{
    logView->appendLog(log, color);
}
