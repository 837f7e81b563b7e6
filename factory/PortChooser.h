#pragma once

#include "PortListing.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QStringList>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QListWidget;

// Lets the lead tick the fixtures the stations use (1 to 16). An adapter
// whose USB socket the system tells is offered twice: by its port's name, or
// by its socket, which keeps the station, its label and its counters when
// the system names the adapter anew; each line says which it keeps. The
// ports are listed in a worker thread; the list shows once they are known.
class PortChooser : public QDialog {
    Q_OBJECT

public:
    using Source = std::function<QList<PortListing>()>;

    // The ports come from source (the system's list, or a test's).
    PortChooser(const QStringList& chosen, const Source& source, QWidget* parent = nullptr);
    ~PortChooser() override;

    QStringList chosenPorts() const;
    bool listed() const { return listingDone; }

signals:
    void portsListed();

private:
    void showListing();
    void addFixture(const QString& key, const QString& text, bool checked);
    void refreshAcceptance();
    QString chosenTwice() const;

    QStringList initiallyChosen;
    QFutureWatcher<QList<PortListing>> watcher;
    QListWidget* list = nullptr;
    QLabel* note = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QList<PortListing> listing;
    bool listingDone = false;
};
