#include "PortChooser.h"

#include "FactoryCommandLine.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

PortChooser::PortChooser(const QStringList& chosen, QWidget* parent)
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
    watcher.setFuture(QtConcurrent::run(&PortListing::available));
}

PortChooser::~PortChooser()
{
    // The listing cannot be interrupted; it holds nothing of this dialog.
    watcher.waitForFinished();
}

void PortChooser::showListing()
{
    const QList<PortListing> listings = watcher.result();
    QStringList listedNames;
    for (const PortListing& port : listings) {
        QStringList details;
        if (!port.serialNumber.isEmpty())
            details.append(tr("serial %1").arg(port.serialNumber));
        if (!port.usbPort.isEmpty())
            details.append(tr("USB %1").arg(port.usbPort));
        if (!port.description.isEmpty())
            details.append(port.description);
        if (port.systemLocation != port.name)
            details.append(port.systemLocation);
        addPort(port.name, details.join(QStringLiteral(" · ")), initiallyChosen.contains(port.name));
        listedNames.append(port.name);
    }
    // A chosen port that is absent now stays chosen until the operator unticks it.
    for (const QString& name : initiallyChosen) {
        if (!listedNames.contains(name))
            addPort(name, tr("not present"), true);
    }
    listingDone = true;
    refreshAcceptance();
    emit portsListed();
}

void PortChooser::addPort(const QString& name, const QString& details, bool checked)
{
    auto* item = new QListWidgetItem(details.isEmpty() ? name : QStringLiteral("%1    %2").arg(name, details));
    item->setData(Qt::UserRole, name);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    list->addItem(item);
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
    const bool fits = count >= 1 && count <= FactoryCommandLine::maxStations;
    buttons->button(QDialogButtonBox::Ok)->setEnabled(fits);
    note->setText(tr("%1 of at most %2 ports chosen").arg(count).arg(FactoryCommandLine::maxStations));
}
