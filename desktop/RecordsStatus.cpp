#include "RecordsStatus.h"

#include "ProductionRecorder.h"

#include <QEvent>

#include <algorithm>

RecordsStatus::RecordsStatus(QWidget* parent)
    : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(fontMetrics().averageCharWidth() * 24);
    retranslate();
}

void RecordsStatus::watch(ProductionRecorder* recorder)
{
    connect(recorder, &ProductionRecorder::sngHealth, this,
        [this, recorder](const RecordHealth& health) { take(recorder, health); });
    connect(recorder, &QObject::destroyed, this, [this](QObject* gone) {
        healths.remove(gone);
        retranslate();
    });
    take(recorder, recorder->health());
}

void RecordsStatus::take(const QObject* recorder, const RecordHealth& health)
{
    healths.insert(recorder, health);
    retranslate();
}

// The recorders of one window share the local file: the outbox is one, and
// any recorder's trouble is the window's.
RecordHealth RecordsStatus::combined() const
{
    RecordHealth all;
    bool first = true;
    for (const RecordHealth& health : healths) {
        if (first)
            all = health;
        first = false;
        all.waiting = std::max(all.waiting, health.waiting);
        all.setAside = std::max(all.setAside, health.setAside);
        if (health.oldestWaiting.isValid()
            && (!all.oldestWaiting.isValid() || health.oldestWaiting < all.oldestWaiting))
            all.oldestWaiting = health.oldestWaiting;
        // A row not kept at all weighs more than rows waiting for the server.
        if (all.lastError.isEmpty() || (health.notStored && !all.notStored)) {
            all.lastError = health.lastError;
            all.notStored = health.notStored;
        }
    }
    return all;
}

void RecordsStatus::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QLabel::changeEvent(event);
}

void RecordsStatus::retranslate()
{
    if (healths.isEmpty()) {
        fullText.clear();
        clear();
        return;
    }
    const RecordHealth health = combined();
    fullText = textFor(health);
    setToolTip(fullText + QLatin1Char('\n') + health.store);
    showElided();
}

void RecordsStatus::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showElided();
}

void RecordsStatus::showElided()
{
    setText(fontMetrics().elidedText(fullText, Qt::ElideRight, contentsRect().width()));
}

QString RecordsStatus::textFor(const RecordHealth& health)
{
    const QString error = health.lastError.simplified();
    QString text;
    if (health.notStored) {
        text = tr("Records: not stored — %1").arg(error);
    } else if (!health.server) {
        text = error.isEmpty() ? tr("Records: this PC") : tr("Records: not stored — %1").arg(error);
    } else if (health.waiting == 0) {
        text = error.isEmpty() ? tr("Records: line database, %1 waiting").arg(0)
                               : tr("Records: line database not reached — %1").arg(error);
    } else {
        const QString since = health.oldestWaiting.toLocalTime().toString(QStringLiteral("HH:mm"));
        text = error.isEmpty() ? tr("Records: %1 waiting since %2").arg(health.waiting).arg(since)
                               : tr("Records: %1 waiting since %2 — %3").arg(health.waiting).arg(since, error);
    }
    if (health.setAside > 0)
        text += tr(", %1 set aside").arg(health.setAside);
    return text;
}
