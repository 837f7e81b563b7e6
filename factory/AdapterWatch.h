#pragma once

#include "FactoryTiming.h"
#include "PortListing.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class Station;

// Finds each station's adapter: by the USB socket a station is bound to, or
// by its port's name. At a start it looks at once; while a started station
// waits for its adapter, or a station bound to a socket has lost it, it looks
// again every adapterPoll, off the GUI thread, and starts the waiting station
// or moves the station to the name its adapter has now.
class AdapterWatch : public QObject {
    Q_OBJECT

public:
    using Source = std::function<QList<PortListing>()>;

    explicit AdapterWatch(QObject* parent = nullptr);
    ~AdapterWatch() override;

    void setTiming(const FactoryTiming& timing);
    // The system's ports by default; tests name the ports and the sockets they sit in.
    void setSource(Source source);
    const Source& listingSource() const { return source; }
    void watch(Station* station);

    // Before stations start: each one's port as its adapter is named now,
    // empty where the adapter is missing. Blocks while the system lists its ports.
    void placeNow(const QList<Station*>& stations);

    // The port a fixture's adapter has in the listing; empty when it is not there.
    static QString portFor(const QString& key, const QList<PortListing>& listing);

signals:
    void looked(); // a listing has been applied

private:
    void considerLooking();
    void lookLater();
    void apply(const QList<PortListing>& listing);
    bool needsLooking(const Station* station) const;

    FactoryTiming timing;
    Source source;
    QList<QPointer<Station>> stations;
    QFutureWatcher<QList<PortListing>> watcher;
    QTimer poll;
};
