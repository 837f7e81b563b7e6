#pragma once

// Files that the program-level tests hand to the programs they start.
#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

// An image of pseudo-random bytes; the same seed gives the same bytes.
inline QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
