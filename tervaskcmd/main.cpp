// tervaskcmd: downloads one image, or one per newly plugged chip with --loop,
// from the command line; the worker's lines go to the console and the run log.
#include "DownloadMessage.h"
#include "DownloadWorker.h"
#include "IdentityOptions.h"
#include "ImageFile.h"
#include "InterruptWatcher.h"
#include "MacPool.h"
#include "ProcessExit.h"
#include "ProductionRecorder.h"
#include "RecordContext.h"
#include "RecordLocation.h"
#include "RunLog.h"
#include "Utf8Console.h"
#include "WireTraceWriter.h"
#include "WorkerSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cstdio>
#include <memory>

namespace {

enum ExitStatus {
    ExitSuccess = 0,
    ExitUsage = 1,
    ExitJobFailed = 2,
    ExitImageNotLoaded = -1,
};

void printUsage(const QString& program)
{
    std::printf("Usage: %s --p <port_name> --file <file_path> --loop<cyclic download> --size<flash_size> --b "
                "<baudrate> --addr<download_addr> \n(V00.00.01, build %s)\n\nport_name is the port name,such as "
                "COM3\n\nfile_path is the file path used for downloading.\n\ncyclic download,not need send cmd when "
                "changing a new chip.\n\nflash_size is the flash size,which maybe 1M,2M,or 4M.\n\nbaudrate  can be "
                "set as 460800, 921600, 115200.\n\ndownload_addr is the beginning address of download.\n\n",
        QFileInfo(program).completeBaseName().toUtf8().constData(),
        QDate::currentDate().toString(Qt::ISODate).toUtf8().constData());
    std::fflush(stdout);
}

QString* optionTarget(WorkerSettings& settings, const QString& argument)
{
    if (argument == QLatin1String("--p"))
        return &settings.portName;
    if (argument == QLatin1String("--b"))
        return &settings.BaudRate;
    if (argument == QLatin1String("--file"))
        return &settings.FileName;
    if (argument == QLatin1String("--size"))
        return &settings.FlashSize;
    if (argument == QLatin1String("--addr"))
        return &settings.downloadAddr;
    return nullptr;
}

// Options match whole arguments, case-sensitively; a repeated option
// overrides. False on anything else.
bool parseArguments(const QStringList& arguments, WorkerSettings& settings, IdentityOptions& identity)
{
    for (int i = 1; i < arguments.size();) {
        const QString& argument = arguments.at(i);
        const QString value = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        if (QString* target = optionTarget(settings, argument)) {
            *target = value;
            i += 2;
        } else if (identity.take(argument, value)) {
            i += 2;
        } else if (argument == QLatin1String("--loop")) {
            settings.AutoStart = true;
            i += 1;
        } else if (argument == QLatin1String("--fixed-waits")) {
            settings.FixedWaits = true;
            i += 1;
        } else {
            return false;
        }
    }
    return !settings.portName.isEmpty() && !settings.FileName.isEmpty();
}

void startRunLog()
{
    QDir().mkdir(QStringLiteral("logs"));
    RunLog::openFirst();
    qInstallMessageHandler(runLogHandler);
    // The worker's lines reach the run log as debug messages: logging rules
    // from the environment must not switch them off.
    QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, true);
}

void printStartBanner()
{
    std::fputs("================Start===============\n", stdout);
    std::fflush(stdout);
}

int runJob(DownloadWorker& worker, const InterruptWatcher& watcher)
{
    bool passed = false;
    QObject::connect(&worker, &DownloadWorker::sngFinishAll, [&passed](bool pass) { passed = pass; });
    printStartBanner();
    if (!watcher.interrupted())
        worker.start(true);
    return passed ? ExitSuccess : ExitJobFailed;
}

int run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Utf8Console console;
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    startRunLog();

    WorkerSettings settings(0);
    IdentityOptions identity;
    if (!parseArguments(QCoreApplication::arguments(), settings, identity)) {
        printUsage(QCoreApplication::arguments().value(0));
        return ExitUsage;
    }

    DownloadWorker worker;
    worker.settings = &settings;
    WireTraceWriter::installFromEnvironment(worker);
    DownloadMessage message;
    // stop() logs from the watcher thread: its line is printed there, not queued.
    QObject::connect(&worker, &DownloadWorker::sngLog, &message, &DownloadMessage::workerLog, Qt::DirectConnection);

    QString refusal;
    if (!identity.apply(settings.identity, refusal)
        || (settings.identity.enabled
            && !(refusal = settings.identity.problem(ImageFile::flashBytes(settings.FlashSize))).isEmpty())) {
        message.warning(QStringLiteral("Error: %1!").arg(refusal));
        RunLog::close();
        return ExitUsage;
    }
    if (!worker.loadImageFile()) {
        RunLog::close();
        return ExitImageNotLoaded;
    }
    const RecordLocation records = RecordLocation::resolve(QCoreApplication::applicationDirPath());
    const RecordContext context = RecordContext::fromSettings(QStringLiteral("tervaskcmd"), settings, settings.FileName);
    std::unique_ptr<MacPool> macPool;
    if (settings.identity.enabled) {
        if (const QString warning = settings.identity.pool.warning(); !warning.isEmpty())
            message.warning(QStringLiteral("Warning: %1").arg(warning));
        macPool = std::make_unique<MacPool>(
            records, settings.identity.pool, MacPool::Owner { context.host, context.program, context.station });
        if (const QString why = macPool->check(); !why.isEmpty()) {
            message.warning(QStringLiteral("Error: %1!").arg(why));
            RunLog::close();
            return ExitJobFailed;
        }
        worker.setMacAllocator(macPool.get());
    }
    ProductionRecorder recorder(records);
    recorder.setContext(context);
    recorder.watch(&worker);
    QObject::connect(
        &recorder, &ProductionRecorder::sngWarning, &message, &DownloadMessage::warning, Qt::DirectConnection);
    // Lives until the run log and the record are finished: a closing console waits for them.
    const InterruptWatcher watcher([&worker] { worker.stop(); }, ExitJobFailed);
    const int status = runJob(worker, watcher);
    recorder.finish();
    RunLog::close();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    return endProcess(run(argc, argv));
}
