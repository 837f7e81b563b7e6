#include "AttemptRow.h"

#include "StorableText.h"

#include <QTimeZone>
#include <QUuid>

AttemptRow AttemptRow::started(const RecordContext& context, const QDateTime& startedAt)
{
    AttemptRow row;
    row.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    row.startedAt = startedAt.toUTC();
    row.context = context;
    return row;
}

void AttemptRow::finish(const AttemptReport& report)
{
    if (report.startedAt.isValid())
        startedAt = report.startedAt.toUTC();
    finishedAt = (report.finishedAt.isValid() ? report.finishedAt : QDateTime::currentDateTimeUtc()).toUTC();
    result = resultName(report.result);
    failedStep = stepName(report.failedStep);
    reason = report.reason;
    transferMs = report.transferMs;
    durationMs = report.durationMs;
    chipId = report.chipId;
    chipAttempt = report.chipAttempt;
}

const QStringList& AttemptRow::columns()
{
    static const QStringList names { QStringLiteral("id"), QStringLiteral("started_at"), QStringLiteral("finished_at"),
        QStringLiteral("duration_ms"), QStringLiteral("host"), QStringLiteral("program"),
        QStringLiteral("program_version"), QStringLiteral("station"), QStringLiteral("station_label"),
        QStringLiteral("port_serial"), QStringLiteral("port_location"), QStringLiteral("image_path"),
        QStringLiteral("image_size"), QStringLiteral("image_crc32"), QStringLiteral("download_addr"),
        QStringLiteral("flash_size"), QStringLiteral("baud"), QStringLiteral("result"), QStringLiteral("failed_step"),
        QStringLiteral("reason"), QStringLiteral("transfer_ms"), QStringLiteral("chip_id"),
        QStringLiteral("chip_attempt"), QStringLiteral("work_order") };
    return names;
}

namespace {

// A null QString binds as SQL NULL; the text columns hold '' instead.
QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : StorableText::of(value);
}

} // namespace

QVariantList AttemptRow::values() const
{
    const RecordContext& c = context;
    return { id, timeText(startedAt), finishedAt.isValid() ? QVariant(timeText(finishedAt)) : QVariant(),
        finishedAt.isValid() ? QVariant(durationMs) : QVariant(), text(c.host), text(c.program), text(c.programVersion),
        text(c.station), text(c.stationLabel), text(c.portSerial), text(c.portLocation), text(c.imagePath), c.imageSize,
        text(c.imageCrc32), text(c.downloadAddr), text(c.flashSize), c.baud, text(result), text(failedStep),
        text(reason), transferMs, text(chipId), chipAttempt, text(c.workOrder) };
}

AttemptRow AttemptRow::fromValues(const QVariantList& v)
{
    AttemptRow row;
    RecordContext& c = row.context;
    row.id = v.value(0).toString();
    row.startedAt = timeFromValue(v.value(1));
    row.finishedAt = timeFromValue(v.value(2));
    row.durationMs = v.value(3).toLongLong();
    c.host = v.value(4).toString();
    c.program = v.value(5).toString();
    c.programVersion = v.value(6).toString();
    c.station = v.value(7).toString();
    c.stationLabel = v.value(8).toString();
    c.portSerial = v.value(9).toString();
    c.portLocation = v.value(10).toString();
    c.imagePath = v.value(11).toString();
    c.imageSize = v.value(12).toLongLong();
    c.imageCrc32 = v.value(13).toString();
    c.downloadAddr = v.value(14).toString();
    c.flashSize = v.value(15).toString();
    c.baud = v.value(16).toInt();
    row.result = v.value(17).toString();
    row.failedStep = v.value(18).toString();
    row.reason = v.value(19).toString();
    row.transferMs = v.value(20).toLongLong();
    row.chipId = v.value(21).toString();
    row.chipAttempt = v.value(22).isNull() ? 1 : v.value(22).toInt();
    c.workOrder = v.value(23).toString();
    return row;
}

QString AttemptRow::timeText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime AttemptRow::timeFromValue(const QVariant& value)
{
    if (value.isNull())
        return QDateTime();
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().toUTC();
    QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (time.isValid() && time.timeSpec() == Qt::LocalTime)
        time.setTimeZone(QTimeZone::utc());
    return time.toUTC();
}

QString AttemptRow::resultName(AttemptReport::Result result)
{
    switch (result) {
    case AttemptReport::Result::Pass:
        return QStringLiteral("pass");
    case AttemptReport::Result::Fail:
        return QStringLiteral("fail");
    case AttemptReport::Result::Canceled:
        return QStringLiteral("canceled");
    case AttemptReport::Result::NoDevice:
        return QStringLiteral("no_device");
    }
    return QStringLiteral("fail");
}

QString AttemptRow::stepName(AttemptReport::Step step)
{
    switch (step) {
    case AttemptReport::Step::None:
        return QString();
    case AttemptReport::Step::Open:
        return QStringLiteral("open");
    case AttemptReport::Step::Attach:
        return QStringLiteral("attach");
    case AttemptReport::Step::Identity:
        return QStringLiteral("identity");
    case AttemptReport::Step::Erase:
        return QStringLiteral("erase");
    case AttemptReport::Step::Partition:
        return QStringLiteral("partition");
    case AttemptReport::Step::Transfer:
        return QStringLiteral("transfer");
    case AttemptReport::Step::Verify:
        return QStringLiteral("verify");
    case AttemptReport::Step::Recover:
        return QStringLiteral("recover");
    }
    return QString();
}
