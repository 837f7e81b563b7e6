#include "StationLogDialog.h"

#include "Station.h"
#include "WindowTiming.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTextEdit>
#include <QVBoxLayout>

StationLogDialog::StationLogDialog(Station* station, QWidget* parent)
    : QDialog(parent)
    , watched(station)
{
    const QString where = station->port().isEmpty() ? station->key() : station->port();
    const QString name = station->label().isEmpty() ? where : QStringLiteral("%1 (%2)").arg(where, station->label());
    setWindowTitle(tr("Log of %1").arg(name));
    setAttribute(Qt::WA_DeleteOnClose);
    edit = new QTextEdit(this);
    edit->setObjectName(QStringLiteral("teLog"));
    edit->setReadOnly(true);
    edit->setStyleSheet(LogView::initialStyleSheet());
    // As the station's own memory: the whole log is in its run log.
    edit->document()->setMaximumBlockCount(Station::logLimit);
    log = std::make_unique<LogView>(edit);
    note = new QLabel(this);
    note->setObjectName(QStringLiteral("logNote"));
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showNote();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
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
    showNote();
}

// Each start of the station writes a run log of its own: name the one being written.
void StationLogDialog::showNote()
{
    const QString runLog = watched->runLogPath().isEmpty() ? QDir(QStringLiteral("logs")).absolutePath()
                                                           : QFileInfo(watched->runLogPath()).absoluteFilePath();
    note->setText(tr("Shows the last %1 lines. The run log keeps every line: %2")
                      .arg(QLocale().toString(Station::logLimit), runLog));
}
