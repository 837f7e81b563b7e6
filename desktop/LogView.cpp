#include "LogView.h"

#include <QFile>
#include <QFont>
#include <QScrollBar>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {
bool isBold(const QColor& color)
{
    return color == QColor(Qt::green);
}

// What the view types with after a line: the format at the end of the
// document, black, and no longer bold once a green line has ended.
QTextCharFormat typingFormatAfter(QTextDocument* document, bool bold)
{
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    QTextCharFormat format = end.charFormat();
    format.setForeground(QColor(Qt::black));
    if (bold)
        format.setFontWeight(QFont::Normal);
    return format;
}
} // namespace

LogView::LogView(QTextEdit* view)
    : view(view)
{
    // Nobody undoes a log line, and in automatic mode the log is never cleared:
    // an undo stack would keep every line twice for the whole shift.
    view->setUndoRedoEnabled(false);
}

void LogView::appendLog(const QString& text, const QColor& color)
{
    appendLogs({ Line { text, color } });
}

void LogView::appendLogs(const QList<Line>& lines)
{
    if (lines.isEmpty())
        return;
    // As QTextEdit::append: a view scrolled to its end stays at the very end,
    // below the document's bottom margin.
    QScrollBar* bar = view->verticalScrollBar();
    const bool atBottom = view->isReadOnly() ? bar->value() >= bar->maximum() : view->textCursor().atEnd();
    insertColoured(lines);
    if (atBottom)
        bar->setValue(bar->maximum());
    followLastLine(lines.constLast().color);

    // Setting a style sheet repolishes the widget; an unchanged one is not set
    // again, so a run of lines in one colour costs no restyling at all.
    const QString styleSheet = rewrittenStyleSheet(view->styleSheet(), lines.constLast().color);
    if (styleSheet != view->styleSheet())
        view->setStyleSheet(styleSheet);
}

// Each line as QTextEdit::append would add it in the view's typing format
// with the line's colour, all in one edit so that the document is laid out
// and the scroll bar adjusted once for the whole batch.
void LogView::insertColoured(const QList<Line>& lines)
{
    QTextDocument* document = view->document();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    QTextCharFormat typing = view->currentCharFormat();
    end.beginEditBlock();
    for (const Line& line : lines) {
        QTextCharFormat format = typing;
        format.setForeground(line.color);
        if (isBold(line.color))
            format.setFontWeight(QFont::Bold);
        if (document->isEmpty())
            end.setCharFormat(format);
        else
            end.insertBlock(end.blockFormat(), format);
        if (Qt::mightBeRichText(line.text))
            end.insertHtml(line.text);
        else
            end.insertText(line.text, format);
        typing = typingFormatAfter(document, isBold(line.color));
    }
    end.endEditBlock();
}

void LogView::followLastLine(const QColor& lastColor)
{
    view->moveCursor(QTextCursor::End);
    view->ensureCursorVisible();
    view->setTextColor(Qt::black);
    if (isBold(lastColor))
        view->setFontWeight(QFont::Normal);
}

QString LogView::rewrittenStyleSheet(const QString& current, const QColor& color)
{
    const QColor background(Qt::black);
    QStringList rules;
    rules.append(QStringLiteral("color: rgb(%1, %2, %3);").arg(color.red()).arg(color.green()).arg(color.blue()));
    rules.append(QStringLiteral("background-color: rgb(%1, %2, %3);")
                     .arg(background.red())
                     .arg(background.green())
                     .arg(background.blue()));
    const QStringList pieces = current.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        if (!piece.startsWith(QLatin1String("color:")) && !piece.startsWith(QLatin1String("background-color:")))
            rules.append(piece);
    }
    return rules.join(QLatin1Char('\n'));
}

LogView::SaveResult LogView::saveTo(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return SaveResult::CantOpen;
    const QByteArray bytes = view->toPlainText().toUtf8();
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError ? SaveResult::Saved : SaveResult::CantWrite;
}
