#include "ShiftPanel.h"

#include "RecordThread.h"
#include "RecordTiming.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStackedBarSeries>
#include <QSysInfo>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {

// The table keeps the latest attempts; the chart and the counts cover them all.
// 1, 2 or 5 times a power of ten, at least the given step: ticks people read at a glance.
int roundStep(int least)
{
    for (int power = 1;; power *= 10) {
        for (const int factor : { 1, 2, 5 }) {
            if (factor * power >= least)
                return factor * power;
        }
    }
}

} // namespace

ShiftPanel::ShiftPanel(const RecordLocation& location, const ShiftSchedule& schedule, QWidget* parent)
    : QWidget(parent)
    , schedule(schedule)
    , clock([] { return QDateTime::currentDateTime(); })
    , thisHost(QSysInfo::machineHostName())
    , reader(new ShiftReader(location))
{
    qRegisterMetaType<ShiftSnapshot>();
    // Only a line server holds other PCs' attempts.
    scopeBox = new QComboBox(this);
    scopeBox->addItems({ QString(), QString() });
    scopeBox->setVisible(location.server);
    stationBox = new QComboBox(this);
    stationBox->addItem(QString(), QString());
    summary = new QLabel(this);
    table = new QTableWidget(0, 4, this);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    buildChart();

    auto* top = new QHBoxLayout;
    top->addWidget(scopeBox);
    top->addWidget(stationBox);
    top->addWidget(summary, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* chartView = new QChartView(chart, this);
    chartView->setMinimumHeight(180);
    layout->addWidget(chartView, 3);
    layout->addWidget(table, 2);

    connect(this, &ShiftPanel::sngRequestRead, reader, &ShiftReader::read);
    connect(reader, &ShiftReader::sngRead, this, &ShiftPanel::showSnapshot);
    connect(stationBox, &QComboBox::currentIndexChanged, this, &ShiftPanel::showSelection);
    connect(scopeBox, &QComboBox::currentIndexChanged, this, &ShiftPanel::refresh);
    connect(&refreshTimer, &QTimer::timeout, this, &ShiftPanel::refresh);
    retranslate();
    readerThread = std::make_unique<RecordThread>(reader, QStringLiteral("shift"));
    refreshTimer.start(int(schedule.refreshInterval.count()));
    refresh();
}

// A reading stuck on a server that does not answer is not waited for.
ShiftPanel::~ShiftPanel()
{
    readerThread->finish(RecordTiming().serverOnExit);
}

void ShiftPanel::retranslate()
{
    scopeBox->setItemText(0, tr("This PC"));
    scopeBox->setItemText(1, tr("Whole line"));
    stationBox->setItemText(0, tr("All stations"));
    table->setHorizontalHeaderLabels({ tr("Started"), tr("Station"), tr("Result"), tr("Reason") });
    passSet->setLabel(tr("Pass"));
    failSet->setLabel(tr("Fail"));
    if (snapshot.start.isValid())
        showSelection();
}

void ShiftPanel::buildChart()
{
    passSet = new QBarSet(QString());
    passSet->setColor(QColor(0, 160, 0));
    failSet = new QBarSet(QString());
    failSet->setColor(QColor(200, 0, 0));
    auto* series = new QStackedBarSeries;
    series->append(passSet);
    series->append(failSet);
    chart = new QChart;
    chart->addSeries(series);
    chart->legend()->setAlignment(Qt::AlignBottom);
    hourAxis = new QBarCategoryAxis;
    countAxis = new QValueAxis;
    countAxis->setLabelFormat(QStringLiteral("%d"));
    countAxis->setTickType(QValueAxis::TicksDynamic);
    countAxis->setTickAnchor(0);
    chart->addAxis(hourAxis, Qt::AlignBottom);
    chart->addAxis(countAxis, Qt::AlignLeft);
    series->attachAxis(hourAxis);
    series->attachAxis(countAxis);
    connect(chart, &QChart::plotAreaChanged, this, &ShiftPanel::fitCountAxis);
}

void ShiftPanel::refresh()
{
    // One reading at a time: a server that answers slowly is not asked twice.
    if (reading)
        return;
    reading = true;
    emit sngRequestRead(ShiftClock::shiftStart(clock(), schedule), wholeLine() ? QString() : thisHost);
}

void ShiftPanel::showSnapshot(const ShiftSnapshot& read)
{
    reading = false;
    // The scope changed while this was read: the reading asked for then follows.
    if (read.host != (wholeLine() ? QString() : thisHost)) {
        refresh();
        return;
    }
    snapshot = read;
    const QString selected = selectedStation();
    const QSignalBlocker blocker(stationBox);
    while (stationBox->count() > 1)
        stationBox->removeItem(1);
    QList<QPair<QString, QString>> byName; // name shown, key
    for (const QString& key : snapshot.summary.stations())
        byName << qMakePair(stationName(key, snapshot.summary.portOf(key)), key);
    std::sort(byName.begin(), byName.end());
    for (const auto& [name, key] : byName)
        stationBox->addItem(name, key);
    stationBox->setCurrentIndex(std::max(0, stationBox->findData(selected)));
    showSelection();
    emit sngShown();
}

void ShiftPanel::showSelection()
{
    const QString station = selectedStation();
    hours = snapshot.summary.perHour(clock(), station);
    fillTable(station);
    fillChart();
    int passed = 0;
    int failed = 0;
    for (const ShiftHour& hour : hours) {
        passed += hour.passed;
        failed += hour.failed;
    }
    const QString since = snapshot.start.toLocalTime().toString(QStringLiteral("HH:mm"));
    summary->setText(snapshot.error.isEmpty() ? tr("Shift since %1: %2 attempts, %3 pass, %4 fail")
                                                    .arg(since)
                                                    .arg(attemptsShown())
                                                    .arg(passed)
                                                    .arg(failed)
                                              : tr("The records cannot be read: %1").arg(snapshot.error));
}

void ShiftPanel::fillTable(const QString& station)
{
    const QList<ShiftSummary::Attempt> shown = snapshot.summary.latest(station);
    table->setRowCount(int(shown.size()));
    for (int i = 0; i < shown.size(); ++i) {
        const ShiftSummary::Attempt& row = shown.at(i);
        const QStringList cells { row.startedAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")),
            stationName(row.station, row.port), resultName(row.result), row.reason };
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(i, column, new QTableWidgetItem(cells.at(column)));
    }
}

void ShiftPanel::fillChart()
{
    passSet->remove(0, passSet->count());
    failSet->remove(0, failSet->count());
    QStringList labels;
    int highest = 0;
    for (const ShiftHour& hour : hours) {
        labels << hour.begin.toString(QStringLiteral("HH"));
        passSet->append(hour.passed);
        failSet->append(hour.failed);
        highest = std::max(highest, hour.passed + hour.failed);
    }
    hourAxis->setCategories(labels);
    highestCount = highest;
    fitCountAxis();
}

// Whole chips on every tick, and no more ticks than the chart's height has
// room for: the chart cuts a label that does not fit between two ticks to "...".
void ShiftPanel::fitCountAxis()
{
    const int labelRoom = QFontMetrics(countAxis->labelsFont()).height() + 12;
    const int steps = std::clamp(int(chart->plotArea().height()) / labelRoom, 1, 6);
    const int step = roundStep(std::max(1, (highestCount + steps - 1) / steps));
    const int top = std::max(1, (highestCount + step - 1) / step) * step;
    if (countAxis->tickInterval() != step || countAxis->max() != top) {
        countAxis->setTickInterval(step);
        countAxis->setRange(0, top);
    }
}

QString ShiftPanel::selectedStation() const
{
    return stationBox->currentData().toString();
}

bool ShiftPanel::wholeLine() const
{
    return scopeBox->currentIndex() == 1;
}

void ShiftPanel::showWholeLine(bool whole)
{
    scopeBox->setCurrentIndex(whole ? 1 : 0);
}

// The line's stations are named with their PC; this PC's by their port alone.
QString ShiftPanel::stationName(const QString& key, const QString& port) const
{
    return wholeLine() ? key : port;
}

QString ShiftPanel::resultName(const QString& result)
{
    if (result == QLatin1String("pass"))
        return tr("Pass");
    if (result == QLatin1String("fail"))
        return tr("Fail");
    if (result == QLatin1String("running"))
        return tr("Running");
    if (result == QLatin1String("canceled"))
        return tr("Canceled");
    if (result == QLatin1String("no_device"))
        return tr("No chip");
    return result;
}

int ShiftPanel::attemptsShown() const
{
    return snapshot.summary.attempts(selectedStation());
}

QStringList ShiftPanel::stations() const
{
    QStringList names;
    for (int i = 1; i < stationBox->count(); ++i)
        names << stationBox->itemText(i);
    return names;
}

void ShiftPanel::selectStation(const QString& station)
{
    stationBox->setCurrentIndex(std::max(0, stationBox->findText(station)));
}
