#include "StationLogDialog.h"

#include "Station.h"
#include "WindowTiming.h"

#include <QTextEdit>
#include <QVBoxLayout>

StationLogDialog::StationLogDialog(Station* station, QWidget* parent)
    : QDialog(parent)
{
    const QString name = station->label().isEmpty() ? station->port()
                                                    : QStringLiteral("%1 (%2)").arg(station->port(), station->label());
    setWindowTitle(tr("Log of %1").arg(name));
    setAttribute(Qt::WA_DeleteOnClose);
    edit = new QTextEdit(this);
    edit->setObjectName(QStringLiteral("teLog"));
    edit->setReadOnly(true);
    edit->setStyleSheet(LogView::initialStyleSheet());
    log = std::make_unique<LogView>(edit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit);
    resize(720, 520);

    QList<LogView::Line> earlier;
    earlier.reserve(station->log().size());
    for (const Station::LogLine& line : station->log())
        earlier.append({ line.text, line.color });
    log->appendLogs(earlier);

    appendTimer.setSingleShot(true);
    appendTimer.setInterval(WindowTiming().stationRefresh);
    connect(&appendTimer, &QTimer::timeout, this, &StationLogDialog::appendQueued);
    connect(station, &Station::logAppended, this, &StationLogDialog::queueLine);
    // The station goes when the operator changes the ports: so does its log.
    connect(station, &QObject::destroyed, this, &QWidget::close);
}

StationLogDialog::~StationLogDialog() = default;

void StationLogDialog::queueLine(const QString& text, const QColor& color)
{
    queued.append({ text, color });
    if (!appendTimer.isActive())
        appendTimer.start();
}

void StationLogDialog::appendQueued()
{
    log->appendLogs(queued);
    queued.clear();
}
