#pragma once

#include "PortListing.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QStringList>

class QDialogButtonBox;
class QLabel;
class QListWidget;

// Lets the operator tick the ports the stations use (1 to 16). The ports are
// listed in a worker thread; the list shows once they are known.
class PortChooser : public QDialog {
    Q_OBJECT

public:
    PortChooser(const QStringList& chosen, QWidget* parent = nullptr);
    ~PortChooser() override;

    QStringList chosenPorts() const;
    bool listed() const { return listingDone; }

signals:
    void portsListed();

private:
    void showListing();
    void addPort(const QString& name, const QString& details, bool checked);
    void refreshAcceptance();

    QStringList initiallyChosen;
    QFutureWatcher<QList<PortListing>> watcher;
    QListWidget* list = nullptr;
    QLabel* note = nullptr;
    QDialogButtonBox* buttons = nullptr;
    bool listingDone = false;
};
