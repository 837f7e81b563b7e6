#pragma once

#include "LanguageSwitcher.h"

#include <QColor>
#include <QMainWindow>
#include <QString>

#include <memory>

class DownloadWorker;
class JobThread;
class LogView;
class QCloseEvent;
class QComboBox;
class WindowToolBar;
class WorkerSettings;

namespace Ui {
class DownloadDumpWindow;
}

// The dump program's window: the operator names a port, an output file, a
// start address and a length in words, and the worker reads that range of
// flash into the file in a thread of its own.
class DownloadDumpWindow : public QMainWindow {
    Q_OBJECT

public:
    enum JobState {
        NotReady = 0,
        Ready = 1,
        Running = 2,
    };

    DownloadDumpWindow(int workMode, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DownloadDumpWindow() override;

    // For tests: the record the window fills and the worker that reads it.
    WorkerSettings* jobSettings() const { return settings; }
    DownloadWorker* jobWorker() const { return worker; }
    int flashSizeBytes() const { return flashBytes; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void sngStartWorker(bool needprepare);

private slots:
    void onStartBtn();
    void onStop();
    void onFinishAll(bool Pass);
    void onPortChange(int);
    void onFlashSizeChanged(int);
    void onFileBtn();
    void onFilenameChanged();
    void onAbout();
    void onLanguage();
    void onLogtext(QString log, QColor color);
    void onAddrChanged();
    void onSizeChanged();
    void onProgress(int done, int total);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createWorker(int workMode);
    void limitNumberEdits();
    void connectControls();
    void selectFlashSize();
    void refreshControls();
    void startJob(bool needprepare);
    QString checkedDumpSize();
    void stopRunningJob();

    // Declared first: the translators are installed before anything is built.
    LanguageSwitcher languages;
    Ui::DownloadDumpWindow* ui = nullptr;
    std::unique_ptr<LogView> logView;
    int jobState = NotReady;
    int flashBytes = 0;
    int availableBytes = 0;
    WorkerSettings* settings = nullptr;
    DownloadWorker* worker = nullptr;
    // From a start until its sngFinishAll: the worker may still read the
    // record, also after Stop, so the window does not write it meanwhile.
    bool workerBusy = false;
    std::unique_ptr<JobThread> jobThread;
    WindowToolBar* toolBar = nullptr;
};
