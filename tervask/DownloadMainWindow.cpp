#include "DownloadMainWindow.h"

#include "Crc32Wifi.h"
#include "DownloadSetupDialog.h"
#include "DownloadWorker.h"
#include "ImageFile.h"
#include "JobThread.h"
#include "LogView.h"
#include "PortListBox.h"
#include "ProductionRecorder.h"
#include "RecordsStatus.h"
#include "WindowToolBar.h"
#include "WorkerSettings.h"
#include "ui_DownloadMainWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QStatusBar>

namespace {
const QString toolVersion = QStringLiteral("V01.00.12");
const QString buildDate = QStringLiteral("2020-10-22");
const int testRestartDelayMs = 2000;
} // namespace

DownloadMainWindow::DownloadMainWindow(int workMode, QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
    , ui(new Ui::DownloadMainWindow)
{
    ui->setupUi(this);
    logView = std::make_unique<LogView>(ui->teLog);
    ui->teLog->setStyleSheet(LogView::initialStyleSheet());
    ui->logoLabel->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    missingFileStyle = QStringLiteral("color: rgb(255, 0, 0);");

    connect(ui->BinfileLEdt, &QLineEdit::textChanged, this, &DownloadMainWindow::onBinFilenameChanged);
    connect(ui->Binfile2LEdt, &QLineEdit::textChanged, this, &DownloadMainWindow::onBInFile2nameChanged);

    createWorker(workMode);
    showImageRows();
    ui->Binfile2LEdt->setText(settings->File2Name);
    ui->BinfileLEdt->setText(settings->FileName);

    toolBar = new WindowToolBar(this, WindowToolBar::SaveLogAndAbout);
    connect(toolBar, &WindowToolBar::saveLogTriggered, this, &DownloadMainWindow::onSavelog);
    connect(toolBar, &WindowToolBar::aboutTriggered, this, &DownloadMainWindow::onAbout);
    connect(toolBar, &WindowToolBar::languageToggled, this, &DownloadMainWindow::onLanguage);

    settings->portName.clear();
    toolBar->showLanguage(settings->language);

    ui->cbCom->installEventFilter(this);
    connectControls();
    refreshControls();
}

DownloadMainWindow::~DownloadMainWindow()
{
    delete ui;
}

void DownloadMainWindow::createWorker(int workMode)
{
    jobThread = std::make_unique<JobThread>(workMode);
    worker = jobThread->worker();
    settings = jobThread->settings();
    recorder = new ProductionRecorder(RecordLocation::resolve(QCoreApplication::applicationDirPath()), {}, this);
    recorder->watch(worker);
    connect(
        recorder, &ProductionRecorder::sngWarning, this, [this](const QString& line) { onLogtext(line, Qt::yellow); });
    auto* recordsStatus = new RecordsStatus(this);
    recordsStatus->watch(recorder);
    statusBar()->addPermanentWidget(recordsStatus, 1);
}

void DownloadMainWindow::showImageRows()
{
    const bool testMode = settings->AutoTest;
    ui->BinFile2LB->setVisible(testMode);
    ui->Binfile2LEdt->setVisible(testMode);
    ui->file2Btn->setVisible(testMode);
    ui->exitBtn->setVisible(testMode);
}

void DownloadMainWindow::connectControls()
{
    connect(ui->cbCom, &QComboBox::currentIndexChanged, this, &DownloadMainWindow::onPortChange);
    connect(ui->fileBtn, &QPushButton::clicked, this, &DownloadMainWindow::onFileBtn);
    connect(ui->file2Btn, &QPushButton::clicked, this, &DownloadMainWindow::onFile2Btn);
    connect(ui->exitBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->startBtn, &QPushButton::clicked, this, &DownloadMainWindow::onStartBtn);
    connect(ui->stopBtn, &QPushButton::clicked, this, &DownloadMainWindow::onStop);
    connect(ui->setupBtn, &QPushButton::clicked, this, &DownloadMainWindow::onSetupBtn);
    connect(this, &DownloadMainWindow::sngStartWorker, worker, &DownloadWorker::start);
    connect(worker, &DownloadWorker::sngFinishAll, this, &DownloadMainWindow::onFinishAll);
    connect(worker, &DownloadWorker::sngLog, this, &DownloadMainWindow::onLogtext);
    connect(worker, &DownloadWorker::sngChipResult, this, &DownloadMainWindow::onChipResult);
    connect(worker, &DownloadWorker::sngProgress, this, &DownloadMainWindow::onProgress);
    connect(ui->resetBtn, &QPushButton::clicked, this, &DownloadMainWindow::onResetCnt);

    testRestartTimer.setSingleShot(true);
    testRestartTimer.setInterval(testRestartDelayMs);
    connect(&testRestartTimer, &QTimer::timeout, this, &DownloadMainWindow::onTestRestart);
}

void DownloadMainWindow::refreshControls()
{
    if (jobState != Running) {
        const bool ready = QFileInfo::exists(settings->FileName) && !settings->portName.isEmpty();
        jobState = ready ? Ready : NotReady;
    }
    const bool idle = jobState != Running;
    // The port and the setup values are members the job reads.
    const bool recordFree = idle && !workerBusy;
    ui->cbCom->setEnabled(recordFree);
    ui->setupBtn->setEnabled(recordFree);
    ui->startBtn->setEnabled(jobState == Ready && !workerBusy);
    ui->stopBtn->setEnabled(jobState == Running);
    ui->BinfileLEdt->setEnabled(idle);
    ui->fileBtn->setEnabled(idle);
    ui->Binfile2LEdt->setEnabled(idle);
    ui->file2Btn->setEnabled(idle);
}

void DownloadMainWindow::onPortChange(int)
{
    settings->portName = ui->cbCom->currentText();
    jobState = settings->portName.isEmpty() ? NotReady : Ready;
    refreshControls();
}

bool DownloadMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    PortListBox::refreshOnPress(ui->cbCom, watched, event);
    return QMainWindow::eventFilter(watched, event);
}

void DownloadMainWindow::onFileBtn()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Open BIN file"), QString(), tr("BIN files (*.bin)"));
    if (name.isEmpty())
        return;
    ui->BinfileLEdt->setText(name);
    settings->FileName = name;
    refreshControls();
}

void DownloadMainWindow::onFile2Btn()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Open BIN file"), QString(), tr("BIN files (*.bin)"));
    if (name.isEmpty())
        return;
    ui->Binfile2LEdt->setText(name);
    settings->File2Name = name;
    refreshControls();
}

void DownloadMainWindow::onBinFilenameChanged()
{
    settings->FileName = ui->BinfileLEdt->text();
    showFileState(ui->BinfileLEdt, settings->FileName);
    refreshControls();
}

void DownloadMainWindow::onBInFile2nameChanged()
{
    settings->File2Name = ui->Binfile2LEdt->text();
    showFileState(ui->Binfile2LEdt, settings->File2Name);
    refreshControls();
}

void DownloadMainWindow::showFileState(QLineEdit* edit, const QString& path)
{
    edit->setStyleSheet(QFileInfo::exists(path) ? QString() : missingFileStyle);
}

void DownloadMainWindow::onStartBtn()
{
    userStopped = false;
    ui->teLog->clear();
    ui->progressBar->setValue(0);
    imagePhase = 1;
    startJob(true);
}

void DownloadMainWindow::startJob(bool needprepare)
{
    settings->image.clear();
    settings->packetCount = 0;
    settings->imageCrc = 0;
    if (!loadImages()) {
        settings->image.clear();
        settings->packetCount = 0;
        settings->imageCrc = 0;
        return;
    }
    settings->portName = ui->cbCom->currentText();
    if (settings->portName.isEmpty())
        return;

    const QString imagePath = settings->AutoTest && imagePhase == 2 ? settings->File2Name : settings->FileName;
    recorder->setContext(RecordContext::fromSettings(QStringLiteral("tervask"), *settings, imagePath));
    jobState = Running;
    workerBusy = true;
    refreshControls();
    emit sngStartWorker(needprepare);
    QCoreApplication::processEvents();
}

bool DownloadMainWindow::loadImages()
{
    const qint64 flashBytes = ImageFile::flashBytes(settings->FlashSize);
    const bool secondImage = settings->AutoTest && imagePhase == 2;
    const QString path = secondImage ? settings->File2Name : settings->FileName;
    const qint64 limit = flashBytes - (secondImage ? ImageFile::addressValue(settings->downloadAddr) : 0x1000);

    if (!path.isEmpty()) {
        QByteArray bytes;
        switch (ImageFile::read(path, limit, bytes)) {
        case ImageFile::Refusal::CantOpen:
            return refuseImage(tr("Can't load %1").arg(path), QStringLiteral("Error: can't load %1").arg(path));
        case ImageFile::Refusal::TooLarge:
            return refuseImage(tr("The size of file: %1 is out of range!").arg(path),
                QStringLiteral("The size of file: %1 is out of range!").arg(path));
        case ImageFile::Refusal::None:
            break;
        }
        settings->image = bytes;
        settings->packetCount = int((bytes.size() + settings->packetSize - 1) / settings->packetSize);
    }
    settings->imageCrc = Crc32_wifi(
        reinterpret_cast<const unsigned char*>(settings->image.constData()), unsigned(settings->image.size()));

    if (settings->AutoTest) {
        if (imagePhase == 2)
            imagePhase = 1;
        else if (!settings->File2Name.isEmpty())
            imagePhase = 2;
    }
    return true;
}

bool DownloadMainWindow::refuseImage(const QString& boxText, const QString& logLine)
{
    QMessageBox::critical(this, tr("Error"), boxText);
    appendLog(logLine, Qt::red);
    return false;
}

void DownloadMainWindow::onStop()
{
    if (jobState != Running)
        return;
    stopRunningJob();
}

void DownloadMainWindow::stopRunningJob()
{
    userStopped = true;
    testRestartTimer.stop();
    worker->stop();
    jobState = Ready;
    refreshControls();
}

void DownloadMainWindow::onFinishAll(bool Pass)
{
    workerBusy = false;
    // In automatic mode each chip has been counted as it finished.
    if (!settings->AutoStart)
        countJob(Pass);
    if (settings->AutoTest && !userStopped) {
        testRestartTimer.start();
        return;
    }
    jobState = Ready;
    refreshControls();
}

void DownloadMainWindow::onTestRestart()
{
    if (!userStopped)
        startJob(false);
}

void DownloadMainWindow::onChipResult(bool Pass)
{
    if (settings->AutoStart)
        countJob(Pass);
}

void DownloadMainWindow::onProgress(int done, int total)
{
    ui->progressBar->setRange(0, qMax(total, 1));
    ui->progressBar->setValue(qMin(done, qMax(total, 1)));
}

void DownloadMainWindow::onSetupBtn()
{
    DownloadSetupDialog dialog(this);
    dialog.loadFrom(*settings);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.saveTo(*settings);
    refreshControls();
}

void DownloadMainWindow::onAbout()
{
    QMessageBox::information(this, tr("About tervask tool"),
        tr("VYN tervask tool %1\nBuild date: %2").arg(toolVersion, buildDate), QMessageBox::Ok);
}

void DownloadMainWindow::onLanguage()
{
    settings->language = languages.load(toolBar->chineseChosen());
    if (settings->workMode == 1)
        setWindowTitle(QStringLiteral("VYN Download485 Tool V01.00.02"));
    else
        setWindowTitle(QStringLiteral("VYN Tervask Tool %1").arg(toolVersion));

    toolBar->retranslate();
    ui->retranslateUi(this);
    // The form's texts show zero counts; put the real ones back.
    showCounters();
}

void DownloadMainWindow::closeEvent(QCloseEvent* event)
{
    settings->saveConfig();
    event->setAccepted(jobThread->confirmClose(
        this, [this] { onStop(); }, [this] { return !workerBusy; }));
}

void DownloadMainWindow::onLogtext(QString log, QColor color)
{
    appendLog(log, color);
}

void DownloadMainWindow::appendLog(const QString& text, const QColor& color)
{
    logView->appendLog(text, color);
}

void DownloadMainWindow::countJob(bool pass)
{
    if (pass)
        ++passCount;
    else
        ++failCount;
    showCounters();
}

void DownloadMainWindow::showCounters()
{
    const int total = passCount + failCount;
    const int fpy = total == 0 ? 0 : passCount * 100 / total;
    ui->Passlb->setText(tr("PASS: %1").arg(passCount));
    ui->Faillb->setText(tr("FAIL: %1").arg(failCount));
    ui->Totallb->setText(tr("Total: %1").arg(total));
    ui->Fpylb->setText(tr("FPY: %1%").arg(fpy));
}

void DownloadMainWindow::onResetCnt()
{
    passCount = 0;
    failCount = 0;
    ui->Passlb->setText(tr("PASS: 0"));
    ui->Faillb->setText(tr("FAIL: 0"));
    ui->Totallb->setText(tr("Total: 0"));
    ui->Fpylb->setText(tr("FPY: 0%"));
}

void DownloadMainWindow::onSavelog()
{
    const QString name = QFileDialog::getSaveFileName(
        this, QStringLiteral("Open log file"), QString(), QStringLiteral("LOG files (*.log)"));
    if (name.isEmpty())
        return;
    switch (logView->saveTo(name)) {
    case LogView::SaveResult::CantOpen:
        appendLog(tr("Failed to open log file!"), Qt::red);
        break;
    case LogView::SaveResult::CantWrite:
        appendLog(tr("Failed to write log file!"), Qt::red);
        break;
    case LogView::SaveResult::Saved:
        appendLog(tr("Save log successfully!"), Qt::green);
        break;
    }
}
