#include "StorableText.h"

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

bool needsEscape(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isControl(c.unicode()) || c.isSurrogate())
            return true;
    }
    return false;
}

QString hex(char16_t c, int digits)
{
    return QString::number(c, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

} // namespace

QString StorableText::of(const QString& text)
{
    if (!needsEscape(text))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            out += QStringLiteral("\\u") + hex(c.unicode(), 4);
        } else if (isControl(c.unicode())) {
            out += QStringLiteral("\\x") + hex(c.unicode(), 2);
        } else {
            out += c;
        }
    }
    return out;
}
