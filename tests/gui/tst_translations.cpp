// The Chinese catalogue covers every text the windows show: lupdate reads the
// windows' sources and forms afresh, and each text it finds must have a
// finished translation in tervask_chs.ts.
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Entry {
    QString translation;
    QString type; // "unfinished", "vanished", "obsolete", or empty when done
};

// Messages by context, source text and comment.
QHash<QString, Entry> readCatalogue(const QString& path, QString& error)
{
    QHash<QString, Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(path);
        return entries;
    }
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    QString comment;
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("context"))
                context.clear();
            else if (name == QLatin1String("name"))
                context = xml.readElementText();
            else if (name == QLatin1String("message"))
                source.clear(), comment.clear(), entry = Entry();
            else if (name == QLatin1String("source"))
                source = xml.readElementText();
            else if (name == QLatin1String("comment"))
                comment = xml.readElementText();
            else if (name == QLatin1String("translation")) {
                entry.type = xml.attributes().value(QLatin1String("type")).toString();
                entry.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            entries.insert(context + QLatin1Char('|') + source + QLatin1Char('|') + comment, entry);
        }
    }
    if (xml.hasError())
        error = QStringLiteral("%1: %2").arg(path, xml.errorString());
    return entries;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowTextHasAFinishedChineseTranslation()
    {
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh_zh_CN.ts"));
        QStringList arguments = QString::fromUtf8(TERVASK_TR_SOURCES).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        arguments << QStringLiteral("-locations") << QStringLiteral("none") << QStringLiteral("-no-obsolete")
                  << QStringLiteral("-ts") << fresh;
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(TERVASK_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, lupdate.readAll());

        QString error;
        const QHash<QString, Entry> found = readCatalogue(fresh, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QHash<QString, Entry> catalogue = readCatalogue(QStringLiteral(TERVASK_CHS_TS), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(found.size() > 50, qPrintable(QStringLiteral("lupdate found only %1 texts").arg(found.size())));

        QStringList problems;
        for (auto it = found.cbegin(); it != found.cend(); ++it) {
            const auto translated = catalogue.constFind(it.key());
            if (translated == catalogue.cend())
                problems.append(QStringLiteral("missing: ") + it.key());
            else if (!translated->type.isEmpty())
                problems.append(translated->type + QStringLiteral(": ") + it.key());
            else if (translated->translation.trimmed().isEmpty())
                problems.append(QStringLiteral("empty: ") + it.key());
        }
        problems.sort();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TranslationsTest)
#include "tst_translations.moc"
