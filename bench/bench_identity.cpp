// bench_identity: what giving each chip its own MAC address adds to a job:
// the read of the address's sector, the pool's ledger in the local records
// file, and, for an address outside the image, the write of its sector after
// the image. Each case against the same job without addresses.
#include "BenchImage.h"
#include "MacPool.h"
#include "NumberList.h"
#include "VirtualChip.h"
#include "WorkerJob.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double seconds(qint64 us)
{
    return double(us) / 1e6;
}

// Microseconds from the first line starting with one text to the first after it starting with another.
qint64 between(const WorkerJob& job, const QString& from, const QString& to)
{
    qint64 start = -1;
    for (const auto& [at, text] : job.lines) {
        if (start < 0 && text.startsWith(from))
            start = at;
        else if (start >= 0 && text.startsWith(to))
            return at - start;
    }
    return 0;
}

struct Case {
    const char* name;
    quint32 macAt; // 0: no address
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Job time with a MAC address per chip against without."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(
        QStringLiteral("size"), QStringLiteral("Image bytes."), QStringLiteral("bytes"), QStringLiteral("262144"));
    const QCommandLineOption baudOption(QStringLiteral("bauds"), QStringLiteral("Baud rates, comma-separated."),
        QStringLiteral("list"), QStringLiteral("115200,921600"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
        QStringLiteral("Runs of each case, the quickest counts."), QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({ sizeOption, baudOption, runsOption });
    parser.process(app);

    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());
    QTemporaryDir folder;
    RecordLocation records;
    records.sqlitePath = folder.filePath(QStringLiteral("records/production.sqlite"));
    IdentitySettings identity;
    QString why;
    IdentitySettings::fromTexts(QStringLiteral("00:1A:2B:00:00:00-00:1A:2B:FF:FF:FF"), QStringLiteral("0"),
        QStringLiteral("raw"), QStringLiteral("1"), identity, why);
    const Case cases[] = {
        { "none", 0 },
        { "inside the image", quint32(0x1000 + image.size() / 2) },
        { "sector of its own", 0xFF010 },
    };

    std::printf("| baud | image KiB | address | job s | added s | sector read and ledger s | sector write s |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool allPassed = true;
    for (const int baud : numberList(parser.value(baudOption))) {
        VirtualChip chip;
        chip.configure([&](ChipKnobs& k) { k.baud = baud; });
        if (!chip.start()) {
            std::fprintf(stderr, "cannot open a pseudo-terminal\n");
            return 1;
        }
        qint64 withoutUs = 0;
        for (const Case& c : cases) {
            identity.enabled = c.macAt != 0;
            identity.flashAddress = c.macAt;
            WorkerJob best;
            for (int run = 0; run < runs; ++run) {
                // A new chip each time: a blank sector, an address to take.
                chip.fillFlash(int(identity.sectorStart()), QByteArray(4096, char(0xFF)));
                MacPool pool(
                    records, identity.pool, { QStringLiteral("bench"), QStringLiteral("bench"), chip.portName() });
                const WorkerJob job = WorkerJob::run(chip, image, baud, 0, false, false, identity, &pool);
                allPassed = allPassed && job.passed;
                if (run == 0 || job.jobUs < best.jobUs)
                    best = job;
            }
            if (c.macAt == 0)
                withoutUs = best.jobUs;
            const qint64 readUs = between(best, QStringLiteral("Find a device"), QStringLiteral("MAC: "));
            const qint64 writeUs = between(best, QStringLiteral("Write MAC sector"), QStringLiteral("Download "));
            std::printf("| %d | %d | %s | %.3f | %.3f | %.3f | %.3f |\n", baud, int(image.size() / 1024), c.name,
                seconds(best.jobUs), seconds(best.jobUs - withoutUs), seconds(readUs), seconds(writeUs));
            std::fflush(stdout);
        }
    }
    if (!allPassed) {
        std::fprintf(stderr, "a job failed\n");
        return 1;
    }
    return 0;
}
