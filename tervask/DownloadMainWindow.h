#pragma once

#include "LanguageSwitcher.h"

#include <QColor>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>

class DownloadWorker;
class JobThread;
class ProductionRecorder;
class LogView;
class QCloseEvent;
class QLineEdit;
class WindowToolBar;
class WorkerSettings;

namespace Ui {
class DownloadMainWindow;
}

// The production-line window: the operator picks a port and an image (two in
// test mode), presses Start, and the job runs in the worker's own thread.
class DownloadMainWindow : public QMainWindow {
    Q_OBJECT

public:
    enum JobState {
        NotReady = 0,
        Ready = 1,
        Running = 2,
    };

    DownloadMainWindow(int workMode, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DownloadMainWindow() override;

    // For tests: the record the window fills and the worker that reads it.
    WorkerSettings* jobSettings() const { return settings; }
    DownloadWorker* jobWorker() const { return worker; }

signals:
    void sngStartWorker(bool needprepare);

private slots:
    void onStartBtn();
    void onStop();
    void onFinishAll(bool Pass);
    void onPortChange(int);
    void onFileBtn();
    void onBinFilenameChanged();
    void onSetupBtn();
    void onAbout();
    void onSavelog();
    void onLanguage();
    void onFile2Btn();
    void onBInFile2nameChanged();
    void onResetCnt();
    void onLogtext(QString log, QColor color);
    void onChipResult(bool Pass);
    void onProgress(int done, int total);
    void onTestRestart();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWorker(int workMode);
    void showImageRows();
    void connectControls();
    void refreshControls();
    void startJob(bool needprepare);
    bool loadImages();
    bool refuseImage(const QString& boxText, const QString& logLine);
    void stopRunningJob();
    void countJob(bool pass);
    void showCounters();
    void showFileState(QLineEdit* edit, const QString& path);
    void appendLog(const QString& text, const QColor& color);

    // Declared first: the translators are installed before anything is built.
    LanguageSwitcher languages;
    Ui::DownloadMainWindow* ui = nullptr;
    std::unique_ptr<LogView> logView;
    QString missingFileStyle;
    int jobState = NotReady;
    WorkerSettings* settings = nullptr;
    DownloadWorker* worker = nullptr;
    ProductionRecorder* recorder = nullptr; // one row per chip attempt
    int imagePhase = 1;
    int passCount = 0;
    int failCount = 0;
    bool userStopped = false;
    // From the start of a job until its sngFinishAll: the worker may still be
    // reading the record, also after Stop, so nothing may rewrite it.
    bool workerBusy = false;
    std::unique_ptr<JobThread> jobThread;
    WindowToolBar* toolBar = nullptr;
    QTimer testRestartTimer;
};
