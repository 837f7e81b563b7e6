// Loading the configuration of work modes 0, 1 and 2 from arbitrary file bytes.
// Whatever the file holds, the load never crashes, reads only the keys of its
// mode, and what it loaded survives a store and a second load unchanged.
#include "FuzzCheck.h"
#include "WorkerSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

qint64 writes = 0;

void writeConfig(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(bytes);
    file.flush();
    // The settings cache re-reads a file only when its size or time changed:
    // a time of its own for every write makes each input count.
    file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++writes), QFileDevice::FileModificationTime);
}

bool sameKeys(const WorkerSettings& a, const WorkerSettings& b)
{
    return a.BaudRate == b.BaudRate && a.FlashSize == b.FlashSize && a.MacAddr == b.MacAddr && a.language == b.language
        && a.FileName == b.FileName && a.File2Name == b.File2Name && a.AutoTest == b.AutoTest
        && a.AutoStart == b.AutoStart && a.VerifyUnitTime == b.VerifyUnitTime && a.downloadAddr == b.downloadAddr
        && a.ProgramWaitTime485 == b.ProgramWaitTime485 && a.IsErase6620 == b.IsErase6620
        && a.EraseAddr6620 == b.EraseAddr6620 && a.EraseSize6620 == b.EraseSize6620 && a.DumpAddr == b.DumpAddr
        && a.DumpSize == b.DumpSize && a.SaveFile == b.SaveFile && a.Timeout == b.Timeout;
}

void checkOnlyItsKeys(const WorkerSettings& loaded)
{
    const WorkerSettings defaults(loaded.workMode);
    if (loaded.workMode == 2) {
        FUZZ_CHECK(loaded.language == defaults.language && loaded.FileName.isEmpty() && loaded.File2Name.isEmpty());
        FUZZ_CHECK(loaded.downloadAddr == defaults.downloadAddr && loaded.VerifyUnitTime == defaults.VerifyUnitTime);
        FUZZ_CHECK(!loaded.AutoTest && !loaded.AutoStart && !loaded.IsErase6620);
        FUZZ_CHECK(loaded.ProgramWaitTime485 == defaults.ProgramWaitTime485);
        return;
    }
    FUZZ_CHECK(loaded.DumpAddr.isEmpty() && loaded.DumpSize.isEmpty() && loaded.SaveFile.isEmpty());
    FUZZ_CHECK(loaded.Timeout == defaults.Timeout);
    if (!loaded.AutoTest)
        FUZZ_CHECK(loaded.File2Name.isEmpty());
    if (loaded.workMode == 0)
        FUZZ_CHECK(loaded.ProgramWaitTime485 == defaults.ProgramWaitTime485);
    FUZZ_CHECK(loaded.portName.isEmpty() && loaded.image.isEmpty() && loaded.loader == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // configPath is relative: the files live in a folder of their own.
    // Storing syncs the file to disk; in memory that costs nothing and the fuzzer runs far faster.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir folder(base + QStringLiteral("/tervask-fuzz-XXXXXX"));
    if (!folder.isValid() || !QDir::setCurrent(folder.path()) || !QDir().mkpath("cfg"))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int mode = 0; mode <= 2; ++mode) {
        writeConfig(WorkerSettings::configPath(mode), bytes);
        WorkerSettings loaded(mode);
        loaded.loadConfig();
        checkOnlyItsKeys(loaded);

        loaded.saveConfig();
        WorkerSettings reloaded(mode);
        reloaded.loadConfig();
        FUZZ_CHECK(sameKeys(loaded, reloaded));
    }
    return 0;
}
