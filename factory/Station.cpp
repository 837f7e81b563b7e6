#include "Station.h"

#include "DownloadWorker.h"
#include "FixtureKey.h"
#include "MacAllocator.h"
#include "Recipe.h"
#include "WireTraceWriter.h"
#include "WorkerSettings.h"

#include <QDir>
#include <QRegularExpression>
#include <QThread>

Station::Station(const QString& key, QObject* parent)
    : QObject(parent)
    , fixtureKey(key)
    , portName(FixtureKey::isSocket(key) ? QString() : key)
{
    qRegisterMetaType<AttemptReport>();
    qRegisterMetaType<StationCounters>();
}

Station::~Station()
{
    if (!thread)
        return;
    worker->stop();
    if (thread->wait(QDeadlineTimer(factoryTiming.stopBound.count()))) {
        releaseWorker();
        runLog.close();
        return;
    }
    // A job that does not end within the bound is left to end by itself: its
    // thread, worker and settings are given up rather than destroyed under it.
    qWarning("The station on %s did not stop within %lld ms", qPrintable(portName),
        static_cast<long long>(factoryTiming.stopBound.count()));
    worker->disconnect(this);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->setParent(nullptr);
    settings.release();
    macAllocator.release();
}

QString Station::safeFileNamePart(const QString& port)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]+"));
    QString part = port;
    part.replace(unsafe, QStringLiteral("_"));
    while (part.startsWith(QLatin1Char('_')))
        part.remove(0, 1);
    return part.isEmpty() ? QStringLiteral("port") : part;
}

void Station::setPort(const QString& port)
{
    if (thread || port == portName)
        return;
    portName = port;
    emit portChanged(portName);
}

void Station::start(const Recipe& recipe, const RecipeImage& image, std::unique_ptr<MacAllocator> macs)
{
    if (isRunning())
        return;
    startedRecipe = std::make_unique<Recipe>(recipe);
    startedImage = image;
    macAllocator = std::move(macs);
    stopAsked = false;
    failReason.clear();
    if (portName.isEmpty()) {
        awaiting = true;
        setState(StationState::NoAdapter);
        return;
    }
    launch();
}

void Station::adapterFound(const QString& port)
{
    if (!awaiting || port.isEmpty())
        return;
    awaiting = false;
    setPort(port);
    launch();
}

void Station::moveTo(const QString& port)
{
    if (!thread || stopAsked || port.isEmpty() || port == portName)
        return;
    relaunchOn = port;
    worker->stop();
}

void Station::launch()
{
    settings = std::make_unique<WorkerSettings>(0);
    startedRecipe->fillSettings(*settings);
    // Checked by the window before; the worker refuses to start on a problem all the same.
    QString identityProblem;
    startedRecipe->fillIdentity(settings->identity, identityProblem);
    settings->portName = portName;
    // Every station's settings share the one image read at the start.
    settings->image = startedImage.bytes;
    settings->packetCount = startedImage.packetCount;
    settings->imageCrc = startedImage.crc32;

    loopEntered = false;
    lastRedLine.clear();
    openRunLog();

    thread = new QThread(this);
    thread->setObjectName(QStringLiteral("station ") + portName);
    worker = new DownloadWorker;
    worker->settings = settings.get();
    worker->setMacAllocator(macAllocator.get());
    worker->setTiming(linkTiming);
    // The stations share the name TERVASK_TRACE gives; each writer picks a file of its own.
    WireTraceWriter::installFromEnvironment(*worker);
    worker->moveToThread(thread);
    connectWorker();
    thread->start();
    QMetaObject::invokeMethod(
        worker, [w = worker] { w->start(true); }, Qt::QueuedConnection);
    setState(StationState::WaitingForChip);
}

void Station::stop()
{
    if (awaiting) {
        awaiting = false;
        macAllocator.reset();
        setState(StationState::Idle);
        emit stopped();
        return;
    }
    if (!thread || stopAsked)
        return;
    stopAsked = true;
    relaunchOn.clear();
    worker->stop();
}

void Station::connectWorker()
{
    // The worker's thread ends with its job, so that waiting for the thread waits for the job.
    connect(worker, &DownloadWorker::sngFinishAll, thread, &QThread::quit, Qt::DirectConnection);
    connect(worker, &DownloadWorker::sngFinishAll, this, &Station::onWorkerFinished);
    connect(worker, &DownloadWorker::sngLog, this, &Station::appendLog);
    connect(worker, &DownloadWorker::sngProgress, this, &Station::progressChanged);
    connect(worker, &DownloadWorker::sngChipResult, this, &Station::onChipResult);
    connect(worker, &DownloadWorker::sngAttemptStarted, this, &Station::onAttemptStarted);
    connect(worker, &DownloadWorker::sngAttemptFinished, this, &Station::onAttemptFinished);
    connect(worker, &DownloadWorker::sngChipIdentified, this, [this](const QString& mac) {
        lastChipId = mac;
        emit chipIdentified(mac);
    });
    connect(worker, &DownloadWorker::sngWaitingForChip, this, [this] {
        loopEntered = true;
        if (current != StationState::Passed && current != StationState::Failed)
            setState(StationState::WaitingForChip);
        emit chipAwaited();
    });
    connect(worker, &DownloadWorker::sngPortLost, this, [this](bool lost) {
        loopEntered = true;
        setState(lost ? StationState::AdapterLost : StationState::WaitingForChip);
    });
}

void Station::openRunLog()
{
    QDir().mkpath(QStringLiteral("logs"));
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
    runLog.open(QStringLiteral("logs/factory_%1_%2").arg(time, safeFileNamePart(portName)));
}

void Station::appendLog(const QString& text, const QColor& color)
{
    lines.append({ text, color });
    // Dropping from the front only moves the list's start: a full log costs nothing more per line.
    if (lines.size() > keptLines)
        lines.remove(0, lines.size() - keptLines);
    runLog.append(text);
    if (color == QColor(Qt::red))
        lastRedLine = text;
    emit logAppended(text, color);
}

void Station::setState(StationState next)
{
    if (next == current && next != StationState::Passed && next != StationState::Failed)
        return;
    current = next;
    emit stateChanged(current);
}

void Station::onAttemptStarted(const QDateTime& startedAtUtc)
{
    loopEntered = true;
    attemptStart = startedAtUtc;
    passReported = false;
    lastChipId.clear();
    setState(StationState::Downloading);
    emit attemptStarted(startedAtUtc);
}

void Station::onAttemptFinished(const AttemptReport& report)
{
    lastChipAttempt = report.chipAttempt;
    lastChipId = report.chipId;
    if (report.result == AttemptReport::Result::Fail) {
        // Shown at once, whether the chip gets a retry or not; it is counted once its chain has ended.
        failReason = report.reason;
        if (current != StationState::AdapterLost)
            setState(StationState::Failed);
    } else if (report.result == AttemptReport::Result::Pass) {
        passReported = true;
        elapsedMs = report.startedAt.msecsTo(report.finishedAt);
    }
    emit attemptFinished(report);
}

// The worker reports a chip once, after the attempt that decided it: a pass
// is a first pass when that attempt was the chip's first.
void Station::onChipResult(bool pass)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (pass && !passReported)
        elapsedMs = attemptStart.msecsTo(now);
    chips.count(pass, lastChipAttempt == 1);
    emit countersChanged(chips);
    emit chipCounted(pass, now);
    // A chip cut short by a pulled adapter is counted while the adapter is
    // still gone: the tile keeps saying so until it is back.
    if (current != StationState::AdapterLost)
        setState(pass ? StationState::Passed : StationState::Failed);
}

void Station::addEarlierChips(const StationCounters& earlier)
{
    chips += earlier;
    emit countersChanged(chips);
}

void Station::resetCounters()
{
    chips = {};
    emit countersChanged(chips);
}

void Station::onWorkerFinished()
{
    const bool moving = !relaunchOn.isEmpty() && !stopAsked;
    const bool openFailed = !loopEntered && !stopAsked && !moving;
    releaseWorker();
    runLog.close();
    if (moving) {
        const QString next = relaunchOn;
        relaunchOn.clear();
        setPort(next);
        launch();
        return;
    }
    relaunchOn.clear();
    // The job ended for good: the pool gave back what it held, and a next start brings its own.
    macAllocator.reset();
    if (openFailed) {
        failReason = lastRedLine;
        setState(StationState::PortError);
    } else if (!stopAsked) {
        // The run ended by itself: the chips could get no MAC address.
        failReason = lastRedLine;
        setState(StationState::Failed);
    } else {
        setState(StationState::Idle);
    }
    emit stopped();
}

void Station::releaseWorker()
{
    // The thread ends right after the job: the wait is short, and the worker is
    // destroyed only once nothing runs in its thread.
    thread->wait();
    delete worker;
    worker = nullptr;
    delete thread;
    thread = nullptr;
    settings.reset();
}
