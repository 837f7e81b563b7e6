#include "RecordWriter.h"

RecordWriter::RecordWriter(const RecordLocation& location, const RecordTiming& timing, QObject* parent)
    : QObject(parent)
    , location(location)
    , timing(timing)
    , forwardTimer(this)
{
    connect(&forwardTimer, &QTimer::timeout, this, [this] { forward(); });
}

RecordWriter::~RecordWriter() = default;

void RecordWriter::shutdown()
{
    forwardTimer.stop();
    local.reset();
    server.reset();
}

bool RecordWriter::localReady()
{
    if (local && local->isOpen())
        return true;
    local = std::make_unique<RecordStore>();
    if (local->openLocal(location.sqlitePath, timing))
        return true;
    error = local->lastError();
    return false;
}

// A server that just refused is not asked again for a while, so that rows
// go to the outbox at once instead of each waiting for a connection time-out.
bool RecordWriter::serverReady()
{
    if (server && server->isOpen())
        return true;
    if (sinceServerFailed.isValid() && sinceServerFailed.elapsed() < timing.reconnectPause.count())
        return false;
    server = std::make_unique<RecordStore>();
    if (server->openServer(location, timing)) {
        sinceServerFailed.invalidate();
        return true;
    }
    error = server->lastError();
    sinceServerFailed.start();
    return false;
}

// A connection the server dropped (a restart, a network cut) fails its next
// statement: one new connection gets a second try.
bool RecordWriter::storeOnServer(const AttemptRow& row)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool wasOpen = server && server->isOpen();
        if (!serverReady())
            return false;
        if (server->store(row))
            return true;
        error = server->lastError();
        server->close();
        if (!wasOpen)
            return false;
    }
    return false;
}

void RecordWriter::describeAdapter(RecordContext& context)
{
    auto known = adapters.constFind(context.station);
    if (known == adapters.constEnd()) {
        RecordContext looked = context;
        looked.describeAdapter();
        known = adapters.insert(context.station, looked);
    }
    context.portSerial = known->portSerial;
    context.portLocation = known->portLocation;
}

void RecordWriter::write(const AttemptRow& given)
{
    AttemptRow row = given;
    describeAdapter(row.context);
    if (!location.server) {
        if (localReady() && local->store(row))
            return;
        if (local)
            error = local->lastError();
        local.reset();
        emit sngTrouble(error);
        return;
    }
    if (storeOnServer(row))
        return;
    const QString serverError = error;
    if (localReady() && local->keepForServer(row))
        return;
    if (local)
        error = local->lastError();
    local.reset();
    emit sngTrouble(QStringLiteral("%1; the local outbox: %2").arg(serverError, error));
}

int RecordWriter::forward()
{
    if (!location.server || !localReady())
        return location.server ? -1 : 0;
    const QList<AttemptRow> rows = local->outboxRows();
    if (rows.isEmpty())
        return 0;
    int forwarded = 0;
    for (const AttemptRow& row : rows) {
        if (!storeOnServer(row))
            break;
        // Once the server holds the row, forwarding it again changes nothing:
        // a crash between these two statements costs no row and adds none.
        local->removeFromOutbox(row);
        ++forwarded;
    }
    if (forwarded > 0)
        emit sngForwarded(forwarded);
    return forwarded > 0 || rows.isEmpty() ? forwarded : -1;
}

void RecordWriter::prepare()
{
    if (!location.server) {
        localReady();
        return;
    }
    if (!RecordStore::serverDriverAvailable())
        emit sngOutboxOnly(
            QStringLiteral("Qt's PostgreSQL driver is missing on this PC, so %1 cannot be reached").arg(location.describe()));
    forward();
    forwardTimer.start(int(timing.forwardInterval.count()));
}
