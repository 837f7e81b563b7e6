#include "EarlierChips.h"

#include "ShiftTally.h"
#include "Station.h"

#include <QSysInfo>

EarlierChips::EarlierChips(const RecordLocation& location, QObject* parent)
    : QObject(parent)
    , reader(new ShiftReader(location, ShiftReader::Keep::Rows))
{
    qRegisterMetaType<ShiftSnapshot>();
    reader->moveToThread(&thread);
    connect(&thread, &QThread::finished, reader, &QObject::deleteLater);
    connect(this, &EarlierChips::requestRead, reader, &ShiftReader::read);
    connect(reader, &ShiftReader::sngRead, this, &EarlierChips::take);
    thread.setObjectName(QStringLiteral("earlier chips"));
    thread.start(QThread::LowPriority);
}

EarlierChips::~EarlierChips()
{
    thread.quit();
    thread.wait();
}

void EarlierChips::add(const QList<Station*>& stations, const QDateTime& since, const QDateTime& before)
{
    Request request { {}, since, before };
    for (Station* station : stations)
        request.stations.append(station);
    pending.append(request);
    emit requestRead(since, QSysInfo::machineHostName());
}

void EarlierChips::take(const ShiftSnapshot& snapshot)
{
    if (pending.isEmpty())
        return;
    const Request request = pending.takeFirst();
    if (snapshot.error.isEmpty()) {
        const QString host = QSysInfo::machineHostName();
        for (const QPointer<Station>& station : request.stations) {
            if (station)
                station->addEarlierChips(
                    ShiftTally::count(snapshot.rows, host, station->key(), request.since, request.before));
        }
    }
    emit added(snapshot.error);
}
