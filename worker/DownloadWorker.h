#pragma once

#include "AttemptReport.h"
#include "LinkTiming.h"
#include "WireTap.h"

#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class CountDownTimer;
class QSerialPort;
class WorkerSettings;

// The protocol engine: runs one job at a time against the chip's boot console
// over one serial port. Everything it has to say leaves through sngLog; the
// end of a job through sngFinishAll. It never touches a widget.
class DownloadWorker : public QObject {
    Q_OBJECT

public:
    enum JobResult {
        JobOk = 0,
        JobCanceled = -996,
        JobNoDevice = -998,
        JobFailed = -1000,
    };

    explicit DownloadWorker(QObject* parent = nullptr);
    ~DownloadWorker() override;

    // Called from the owner's thread while a job runs; the job ends at its next poll.
    void stop();

    void setTiming(const LinkTiming& timing) { link = timing; }
    const LinkTiming& timing() const { return link; }

    // Everything that crosses the line from now on goes to the tap as well
    // (none: nothing is traced). Set while no job runs.
    void setWireTap(std::unique_ptr<WireTap> tap);

    // Console program: reads FileName into image, sets packetCount and imageCrc.
    bool loadImageFile();

    WorkerSettings* settings = nullptr;

signals:
    void sngFinishAll(bool Pass);
    void sngLog(QString log, QColor color);
    // Automatic mode: a chip downloaded (true) or failed (false); each failed
    // attempt without a retry limit, once per chip with one.
    void sngChipResult(bool Pass);
    // Packets acknowledged of the image, or chunks dumped of the dump.
    void sngProgress(int done, int total);
    // One chip attempt begins (single job: at its start; automatic mode: when a
    // chip answered and its download begins) and ends; see AttemptReport.
    void sngAttemptStarted(const QDateTime& startedAtUtc);
    void sngAttemptFinished(const AttemptReport& report);
    // Automatic mode: a new chip is awaited (at the start, once the last chip
    // was pulled, and once a lost adapter's port is open again).
    void sngWaitingForChip();
    // The adapter was lost (true), or its port is open again (false).
    void sngPortLost(bool lost);

public slots:
    void start(bool needprepare = true);

    // The steps of a job. Each logs its own lines, polls the stop request and
    // returns false on failure. Public so that tests can drive one step alone.
public:
    bool openPort();
    bool closePort();
    bool sendCommand(const QByteArray& cmd, int waitMs);
    bool waitDevice();
    bool waitReadySignal();
    bool eraseFlash();
    bool preparePartition();
    bool recoverPartition();
    bool sendXmodem();
    bool verifyImage();
    bool dumpFlash();

    const QByteArray& reply() const { return rxBuffer; }
    bool isPortOpen() const;

private:
    int runJob(bool needprepare);
    int runDownloadSteps(bool needprepare);
    int runAutoJob();
    int runAutoLoop();
    int downloadChip();
    void chipPassed();
    int chipFailed();
    bool chipStillAnswers();
    void chipLeft();
    void announceWaiting();
    void announcePortBack();
    void runOneStart(bool needprepare);
    bool stopCheck();
    int waitForChip();
    bool knockForPrompt();
    int presenceCheckMs() const;

    // The attempt report: one step at a time, its red line kept as the reason.
    bool runStep(AttemptReport::Step step, bool (DownloadWorker::*body)());
    void beginAttempt();
    void finishAttempt(int code);
    // A pulled adapter fails every read and write at once: the step that sees
    // it says so, once, and ends (true) instead of waiting out its time-outs.
    bool portLost();
    // A pause whose length comes from the settings (a hand-edited file can make
    // it days long): a stop request ends it early.
    void pauseMs(int ms);
    QString jobName() const;

    void logProgress(const QString& text) { emit sngLog(text, QColor(Qt::white)); }
    void logSuccess(const QString& text) { emit sngLog(text, QColor(Qt::green)); }
    void logError(const QString& text)
    {
        if (attemptOpen)
            attempt.reason = text;
        emit sngLog(text, QColor(Qt::red));
    }
    void logTrace(const QString& text) { emit sngLog(text, QColor(Qt::yellow)); }
    void logRetry(const QString& text) { emit sngLog(text, QColor(Qt::lightGray)); }

    // Port primitives: one deadline each, the reply replaces rxBuffer. Every
    // wait looks at Stop and at a lost port at least every stopPoll.
    bool writeAndWait(const QByteArray& bytes, LinkTiming::ms limit);
    bool waitForInput(qint64 ms);
    void readReply(LinkTiming::ms wait);
    void readCommandReply(const QByteArray& cmd, qint64 limitMs);
    bool readReplyTo(const QByteArray& cmd, int waitMs, LinkTiming::ms limit);
    // Everything the port has read so far, shown to the tap.
    QByteArray takeInput();
    void discardInput();
    void pacePresenceCheck();
    bool transferImage(const CountDownTimer& startDeadline);
    bool pollAnswer(int polls);
    void cancelReceiver();
    bool awaitReceiverQuit();
    bool awaitTransferLeftovers();
    bool readDumpChunk(quint32 address, quint32 bytes, QList<quint32>& words);

    std::atomic<bool> stopRequested { false };
    QByteArray rxBuffer;
    QSerialPort* port = nullptr;
    QElapsedTimer jobTimer;
    QElapsedTimer attemptClock; // the attempt's duration, which the wall clock cannot be trusted with
    bool chipDone = false;
    bool linkLost = false; // the port failed as a pulled adapter does, since it was opened
    bool lossReported = false;
    bool lossAnnounced = false; // sngPortLost(true) sent and the port not open again since

    LinkTiming link;
    bool jobRunning = false;
    QList<bool> deferredStarts;
    QElapsedTimer presenceClock;
    QElapsedTimer sinceLastPrompt; // of the finished chip, while it is checked for presence
    int failedAttempts = 0; // of the chip in the socket, with a retry limit set
    bool retryPending = false; // the chip in the socket failed and is downloaded again if it stays
    bool receiverBusy = false; // "loadx" was taken and the receiver has not ended
    bool waitingAnnounced = false;

    AttemptReport attempt;
    bool attemptOpen = false;

    std::unique_ptr<WireTap> wireTap;
    QMetaObject::Connection wireTapLog;
};
