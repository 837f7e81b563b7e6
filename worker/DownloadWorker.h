#pragma once

#include "AttemptReport.h"
#include "LinkTiming.h"
#include "MacAddress.h"
#include "WireTap.h"

#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class CountDownTimer;
class MacAllocator;
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
        JobNoAddress = -999, // the chip could get no MAC address: the run ends
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

    // Where the chips' MAC addresses come from while settings->identity is
    // on; not owned, called on the worker's thread. Set while no job runs.
    void setMacAllocator(MacAllocator* allocator) { macs = allocator; }

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
    // The attempt's chip has its MAC address (identity assigned), before its image goes out.
    void sngChipIdentified(const QString& mac);
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
    bool readUntilPrompt(LinkTiming::ms within);
    void readCommandReply(const QByteArray& cmd, qint64 limitMs);
    bool readReplyTo(const QByteArray& cmd, int waitMs, LinkTiming::ms limit);
    // Everything the port has read so far, shown to the tap.
    QByteArray takeInput();
    void discardInput();
    void pacePresenceCheck();
    bool sendXmodemBytes(const QByteArray& bytes, bool progress);
    bool transferBytes(const CountDownTimer& startDeadline, const QByteArray& bytes, bool progress);
    bool checkChecksum(const QByteArray& command, int waitMs, quint32 expected);
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

    // The console sees flash offset 0 at this bus address.
    static constexpr quint32 consoleFlashBase = 0x18000000u;
    quint32 imageOffset() const; // where the image goes in the flash
    quint32 imagePartitionSize() const; // the image in whole 4 KiB sectors
    bool setPartition(quint32 address, quint32 size);
    int verifyWaitMs() const;

    // The chip's own MAC address (DownloadWorkerIdentity.cpp): read before the
    // image, written with it or into its sector after it.
    QString identityRefusal() const;
    int runIdentityStep();
    int identifyChip();
    bool readIdentitySector(QByteArray& sector);
    bool keepChipAddress();
    bool writeIdentitySector();
    void settleChipAddress();
    const QByteArray& chipImage() const;
    quint32 chipImageCrc() const;

    struct ChipAddress {
        bool decided = false;
        MacAddress mac;
        bool taken = false; // out of the pool for this attempt
        bool kept = false; // may have reached the chip: the chip's for good
        QByteArray sectorAsRead;
        bool writeSector = false; // the sector is written after the image
        QByteArray image; // the chip's copy of the image, when it carries the address
        quint32 imageCrc = 0;
    };
    MacAllocator* macs = nullptr;
    ChipAddress chipAddress; // of the current attempt
    // The address that may have reached the chip in the socket, while its
    // retries last: a retry keeps it even when the sector does not show it.
    std::optional<MacAddress> retryAddress;

    std::unique_ptr<WireTap> wireTap;
    QMetaObject::Connection wireTapLog;
};
