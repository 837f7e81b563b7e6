#include "RecordForwarder.h"

RecordForwarder::RecordForwarder(const RecordLocation& location, const RecordTiming& timing, QObject* parent)
    : QObject(parent)
    , location(location)
    , timing(timing)
    , forwardTimer(this)
    , soonTimer(this)
{
    qRegisterMetaType<RecordHealth>();
    state.server = true;
    state.store = location.describe();
    soonTimer.setSingleShot(true);
    connect(&forwardTimer, &QTimer::timeout, this, [this] { forward(); });
    connect(&soonTimer, &QTimer::timeout, this, [this] { forward(); });
}

RecordForwarder::~RecordForwarder() = default;

void RecordForwarder::prepare()
{
    forward();
    forwardTimer.start(int(timing.forwardInterval.count()));
}

void RecordForwarder::forwardSoon()
{
    if (!soonTimer.isActive())
        soonTimer.start(0);
}

void RecordForwarder::shutdown()
{
    forwardTimer.stop();
    soonTimer.stop();
    local.reset();
    server.reset();
}

bool RecordForwarder::localReady()
{
    if (local && local->isOpen())
        return true;
    local = std::make_unique<RecordStore>();
    if (local->openLocal(location.sqlitePath, timing))
        return true;
    error = local->lastError();
    return false;
}

// A server that just refused is not asked again for a while: each pass would
// otherwise wait for a connection time-out.
bool RecordForwarder::serverReady()
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
// statement: one new connection gets a second try. A refusal of the row's
// content is final: a new connection would hear the same.
bool RecordForwarder::storeOnServer(const AttemptRow& row)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool wasOpen = server && server->isOpen();
        if (!serverReady())
            return false;
        if (server->store(row))
            return true;
        error = server->lastError();
        if (server->refusedContent())
            return false;
        server->close();
        if (!wasOpen)
            return false;
    }
    return false;
}

int RecordForwarder::forward(const QDeadlineTimer& deadline)
{
    if (!localReady()) {
        updateHealth(error, true);
        return -1;
    }
    int forwarded = 0;
    bool reached = serverReady();
    if (reached) {
        const QList<AttemptRow> rows = local->outboxRows();
        for (const AttemptRow& row : rows) {
            if (deadline.hasExpired())
                break;
            if (storeOnServer(row)) {
                // Once the server holds the row, forwarding it again changes nothing:
                // a crash between these two statements costs no row and adds none.
                local->removeFromOutbox(row);
                ++forwarded;
            } else if (server && server->refusedContent()) {
                local->setAside(row, error);
            } else {
                reached = false;
                break;
            }
        }
    }
    if (forwarded > 0)
        emit sngForwarded(forwarded);
    updateHealth(reached ? QString() : error);
    return reached ? forwarded : -1;
}

void RecordForwarder::updateHealth(const QString& why, bool outboxFailed)
{
    state.lastError = why;
    state.notStored = outboxFailed;
    if (outboxFailed) {
        emit sngHealth(state);
        return;
    }
    if (!local->outboxState(state.waiting, state.oldestWaiting) && state.lastError.isEmpty()) {
        state.lastError = local->lastError();
        state.notStored = true;
    }
    state.setAside = std::max(0, local->setAsideCount());
    emit sngHealth(state);
}
