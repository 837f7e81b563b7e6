#include "AdapterWatch.h"

#include "FixtureKey.h"
#include "Station.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

AdapterWatch::AdapterWatch(QObject* parent)
    : QObject(parent)
    , source(&PortListing::available)
{
    poll.setSingleShot(true);
    poll.setInterval(timing.adapterPoll);
    connect(&poll, &QTimer::timeout, this, &AdapterWatch::lookLater);
    connect(&watcher, &QFutureWatcher<QList<PortListing>>::finished, this, [this] {
        apply(watcher.result());
        considerLooking();
    });
}

AdapterWatch::~AdapterWatch()
{
    // The listing cannot be interrupted; it holds nothing of this object.
    watcher.waitForFinished();
}

void AdapterWatch::setTiming(const FactoryTiming& next)
{
    timing = next;
    poll.setInterval(timing.adapterPoll);
}

void AdapterWatch::setSource(Source next)
{
    source = std::move(next);
}

void AdapterWatch::watch(Station* station)
{
    stations.removeAll(nullptr);
    stations.append(station);
    connect(station, &Station::stateChanged, this, &AdapterWatch::considerLooking);
}

QString AdapterWatch::portFor(const QString& key, const QList<PortListing>& listing)
{
    if (FixtureKey::isSocket(key)) {
        const QString socket = FixtureKey::socketOf(key);
        const auto found = std::find_if(
            listing.cbegin(), listing.cend(), [&socket](const PortListing& port) { return port.usbPort == socket; });
        return found == listing.cend() ? QString() : found->name;
    }
    // A path names itself; the system's names and the extra ports are listed whether present or not.
    if (key.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(key) ? key : QString();
    const bool listed = std::any_of(listing.cbegin(), listing.cend(),
        [&key](const PortListing& port) { return port.name == key || port.systemLocation == key; });
    return listed ? key : QString();
}

void AdapterWatch::placeNow(const QList<Station*>& toStart)
{
    const QList<PortListing> listing = source();
    for (Station* station : toStart)
        station->setPort(portFor(station->key(), listing));
}

bool AdapterWatch::needsLooking(const Station* station) const
{
    return station->awaitingAdapter()
        || (FixtureKey::isSocket(station->key()) && station->state() == StationState::AdapterLost);
}

void AdapterWatch::considerLooking()
{
    const bool needed = std::any_of(stations.cbegin(), stations.cend(),
        [this](const QPointer<Station>& station) { return station && needsLooking(station); });
    if (!needed)
        poll.stop();
    else if (!poll.isActive() && !watcher.isRunning())
        poll.start();
}

void AdapterWatch::lookLater()
{
    if (!watcher.isRunning())
        watcher.setFuture(QtConcurrent::run(source));
}

void AdapterWatch::apply(const QList<PortListing>& listing)
{
    for (const QPointer<Station>& station : std::as_const(stations)) {
        if (!station || !needsLooking(station))
            continue;
        const QString port = portFor(station->key(), listing);
        if (port.isEmpty())
            continue;
        if (station->awaitingAdapter())
            station->adapterFound(port);
        else
            station->moveTo(port);
    }
    emit looked();
}
