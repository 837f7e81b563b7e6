#include "NumberList.h"

#include <QStringList>

QList<int> numberList(const QString& text)
{
    QList<int> values;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.append(part.toInt());
    return values;
}
