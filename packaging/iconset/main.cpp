// tervask_iconset: writes a freedesktop "hicolor" icon set from the windows' icon file,
// one PNG per size, taken from the picture in the file that is closest in size and not smaller.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

int sideOf(const QImage& picture)
{
    return qMin(picture.width(), picture.height());
}

// Every picture in the file (an .ico holds several sizes), smallest first.
QList<QImage> readAllPictures(const QString& path)
{
    QImageReader reader(path);
    QList<QImage> pictures;
    do {
        const QImage picture = reader.read();
        if (!picture.isNull())
            pictures.append(picture);
    } while (reader.jumpToNextImage());
    std::sort(pictures.begin(), pictures.end(), [](const QImage& a, const QImage& b) { return sideOf(a) < sideOf(b); });
    return pictures;
}

// The smallest picture at least as large as the icon, else the largest one: scaling down keeps the detail.
QImage pictureFor(const QList<QImage>& pictures, int size)
{
    const auto covering
        = std::find_if(pictures.begin(), pictures.end(), [size](const QImage& p) { return sideOf(p) >= size; });
    const QImage& source = covering != pictures.end() ? *covering : pictures.last();
    return source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

bool writeIcon(const QImage& icon, int size, const QString& themeDir, const QString& name)
{
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
    if (!QDir().mkpath(dir))
        return false;
    return icon.save(QStringLiteral("%1/%2.png").arg(dir, name), "PNG");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) {
        std::fputs("Usage: tervask_iconset <source picture> <icon name> <theme folder> <size>...\n", stderr);
        return 1;
    }
    const QList<QImage> pictures = readAllPictures(arguments.at(1));
    if (pictures.isEmpty()) {
        std::fprintf(stderr, "Error: no picture could be read from %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    for (const QString& sizeText : arguments.mid(4)) {
        const int size = sizeText.toInt();
        if (size <= 0 || !writeIcon(pictureFor(pictures, size), size, arguments.at(3), arguments.at(2))) {
            std::fprintf(stderr, "Error: the %s icon of size %s could not be written\n", qPrintable(arguments.at(2)),
                qPrintable(sizeText));
            return 1;
        }
    }
    return 0;
}
