#pragma once

#include <QByteArray>
#include <QString>

// Images for the benchmarks: the same bytes on every run, with no runs of
// equal bytes that a line or a receiver could treat specially.
namespace BenchImage {

QByteArray make(int bytes);
// Writes the bytes into a file; false when it cannot.
bool save(const QByteArray& bytes, const QString& path);
int packetCount(const QByteArray& image);
quint32 crc(const QByteArray& image);

} // namespace BenchImage
