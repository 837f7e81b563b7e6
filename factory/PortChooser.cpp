#include "PortChooser.h"

#include "FactoryCommandLine.h"
#include "FixtureKey.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

PortChooser::PortChooser(const QStringList& chosen, const Source& source, QWidget* parent)
    : QDialog(parent)
    , initiallyChosen(chosen)
{
    setWindowTitle(tr("Choose ports"));
    list = new QListWidget(this);
    note = new QLabel(tr("Listing the serial ports..."), this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(note);
    layout->addWidget(buttons);
    resize(560, 420);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QListWidget::itemChanged, this, &PortChooser::refreshAcceptance);
    connect(&watcher, &QFutureWatcher<QList<PortListing>>::finished, this, &PortChooser::showListing);
    watcher.setFuture(QtConcurrent::run(source));
}

PortChooser::~PortChooser()
{
    // The listing cannot be interrupted; it holds nothing of this dialog.
    watcher.waitForFinished();
}

void PortChooser::showListing()
{
    listing = watcher.result();
    QStringList offered;
    for (const PortListing& port : std::as_const(listing)) {
        QStringList details;
        if (!port.serialNumber.isEmpty())
            details.append(tr("serial %1").arg(port.serialNumber));
        if (!port.usbPort.isEmpty())
            details.append(tr("USB %1").arg(port.usbPort));
        if (!port.description.isEmpty())
            details.append(port.description);
        if (port.systemLocation != port.name)
            details.append(port.systemLocation);
        addFixture(port.name, tr("%1    %2    kept by its name").arg(port.name, details.join(QStringLiteral(" · "))),
            initiallyChosen.contains(port.name));
        offered.append(port.name);
        if (port.usbPort.isEmpty())
            continue;
        const QString socket = FixtureKey::forSocket(port.usbPort);
        addFixture(socket,
            tr("USB socket %1 (now %2)    kept by its socket, whatever the system names it")
                .arg(port.usbPort, port.name),
            initiallyChosen.contains(socket));
        offered.append(socket);
    }
    // A chosen fixture that is absent now stays chosen until it is unticked.
    for (const QString& key : std::as_const(initiallyChosen)) {
        if (offered.contains(key))
            continue;
        addFixture(key,
            FixtureKey::isSocket(key) ? tr("USB socket %1    not present").arg(FixtureKey::socketOf(key))
                                      : tr("%1    not present").arg(key),
            true);
    }
    listingDone = true;
    refreshAcceptance();
    emit portsListed();
}

void PortChooser::addFixture(const QString& key, const QString& text, bool checked)
{
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, key);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    list->addItem(item);
}

// An adapter chosen both by its name and by its socket would be two stations on one port.
QString PortChooser::chosenTwice() const
{
    const QStringList chosen = chosenPorts();
    for (const PortListing& port : listing) {
        if (!port.usbPort.isEmpty() && chosen.contains(port.name)
            && chosen.contains(FixtureKey::forSocket(port.usbPort)))
            return port.name;
    }
    return QString();
}

QStringList PortChooser::chosenPorts() const
{
    QStringList ports;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->checkState() == Qt::Checked)
            ports.append(item->data(Qt::UserRole).toString());
    }
    return ports;
}

void PortChooser::refreshAcceptance()
{
    if (!listingDone)
        return;
    const int count = int(chosenPorts().size());
    const QString twice = chosenTwice();
    const bool fits = count >= 1 && count <= FactoryCommandLine::maxStations && twice.isEmpty();
    buttons->button(QDialogButtonBox::Ok)->setEnabled(fits);
    note->setText(twice.isEmpty() ? tr("%1 of at most %2 ports chosen").arg(count).arg(FactoryCommandLine::maxStations)
                                  : tr("%1 is chosen twice: by its name and by its USB socket").arg(twice));
}
