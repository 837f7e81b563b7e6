#include "RecordFilter.h"

#include "AttemptRow.h"

#include <QStringList>

QString RecordFilter::whereClause(QVariantList& binds, const QString& extraCondition) const
{
    QStringList conditions;
    if (since.isValid()) {
        conditions << QStringLiteral("started_at >= ?");
        binds << AttemptRow::timeText(since);
    }
    if (until.isValid()) {
        conditions << QStringLiteral("started_at < ?");
        binds << AttemptRow::timeText(until);
    }
    const std::pair<const char*, QString> exact[] = {
        { "host = ?", host },
        { "station = ?", station },
        { "result = ?", result },
        { "image_crc32 = ?", imageCrc32 },
        { "chip_id = ?", chipId },
    };
    for (const auto& [condition, value] : exact) {
        if (!value.isEmpty()) {
            conditions << QLatin1String(condition);
            binds << value;
        }
    }
    if (!extraCondition.isEmpty())
        conditions << extraCondition;
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}
