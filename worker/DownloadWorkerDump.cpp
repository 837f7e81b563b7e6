// Reading a flash range back into a file through the console's "md" command.
#include "CountDownTimer.h"
#include "DownloadWorker.h"
#include "DumpLineParser.h"
#include "WorkerSettings.h"

#include <QFile>
#include <QSerialPort>

#include <algorithm>

namespace {

constexpr quint32 chunkBytes = 16384;
constexpr qsizetype maxLineBytes = 4096;

QByteArray dumpCommand(quint32 address, quint32 bytes)
{
    return "md " + QByteArray::number(address, 16) + ' ' + QByteArray::number(bytes / 4);
}

} // namespace

bool DownloadWorker::dumpFlash()
{
    logProgress(QStringLiteral("Begin to dump..."));
    waitForInput(link.dumpDrain.count());
    discardInput();

    QFile file(settings->SaveFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        logError(QStringLiteral("Error :failed to open save file!"));
        return false;
    }

    quint32 address = settings->DumpAddr.toUInt(nullptr, 16);
    quint32 remaining = 4u * settings->DumpSize.toUInt(nullptr, 0);
    const int chunkCount = int(remaining / chunkBytes) + (remaining % chunkBytes ? 1 : 0);
    emit sngProgress(0, chunkCount);

    for (int chunksDone = 1; remaining > 0; ++chunksDone) {
        const quint32 chunk = std::min(remaining, chunkBytes);
        QList<quint32> words;
        // A chunk that did not arrive whole is not written: the file never holds misplaced words.
        if (!readDumpChunk(address, chunk, words))
            return false;
        if (file.write(DumpLineParser::bytesOf(words)) != qint64(chunk) || !file.flush()) {
            logError(QStringLiteral("Error :failed to write save file!"));
            return false;
        }
        logSuccess(QStringLiteral("Dumped %1%,0x%2!").arg(chunksDone * 100 / chunkCount).arg(address, 0, 16));
        emit sngProgress(chunksDone, chunkCount);
        address += chunk;
        remaining -= chunk;
    }

    file.close();
    logSuccess(QStringLiteral("Dump Finished!"));
    return true;
}

// Sends one "md" command and collects the words of its reply until the chunk
// is whole. False, with its line logged, on a stop request or a time-out.
bool DownloadWorker::readDumpChunk(quint32 address, quint32 bytes, QList<quint32>& words)
{
    const QByteArray command = dumpCommand(address, bytes);
    writeAndWait(command + "\r\n", link.commandWrite);
    const DumpLineParser parser(command);
    const int wanted = int(bytes / 4);
    const CountDownTimer deadline(unsigned(link.dumpChunk.count()));

    for (;;) {
        if (deadline.expired()) {
            logError(QStringLiteral("Dump Timeout!"));
            return false;
        }
        if (stopRequested) {
            logError(QStringLiteral("Cancel"));
            return false;
        }
        if (port->bytesAvailable() == 0 && !port->waitForReadyRead(int(link.dumpPoll.count()))) {
            if (portLost())
                return false;
            continue;
        }
        const QByteArray data = takeInput();
        if (data.isEmpty())
            continue;
        rxBuffer += data;
        // The lines after the one that completes the chunk are dropped with the read.
        for (const QByteArray& line : DumpLineParser::takeLines(rxBuffer)) {
            const QList<quint32> found = parser.words(line);
            words += found.mid(0, wanted - words.size());
            if (words.size() == wanted)
                return true;
        }
        // A line that never ends is junk, not a line of words still arriving.
        if (rxBuffer.size() > maxLineBytes)
            rxBuffer.clear();
    }
}
