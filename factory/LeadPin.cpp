#include "LeadPin.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace {
constexpr int saltBytes = 16;
constexpr int keyBytes = 32;
// Slows a guess at every possible PIN down to minutes; one check still takes a blink.
constexpr int rounds = 20000;
} // namespace

QByteArray LeadPin::key(const QString& pin, const QByteArray& salt)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, pin.toUtf8(), salt, rounds, keyBytes);
}

QString LeadPin::stored(const QString& pin)
{
    QByteArray salt(saltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), saltBytes / int(sizeof(quint32)));
    return QString::fromLatin1(salt.toHex() + ':' + key(pin, salt).toHex());
}

bool LeadPin::matches(const QString& stored, const QString& pin)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    const QByteArray salt = QByteArray::fromHex(parts.at(0).toLatin1());
    const QByteArray expected = QByteArray::fromHex(parts.at(1).toLatin1());
    if (salt.size() != saltBytes || expected.size() != keyBytes)
        return false;
    return key(pin, salt) == expected;
}
