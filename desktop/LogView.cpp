#include "LogView.h"

#include <QFont>
#include <QStringList>
#include <QTextDocument>
#include <QTextEdit>

LogView::LogView(QTextEdit* view)
    : view(view)
{
    // Nobody undoes a log line, and in automatic mode the log is never cleared:
    // an undo stack would keep every line twice for the whole shift.
    view->setUndoRedoEnabled(false);
}

void LogView::appendLog(const QString& text, const QColor& color)
{
    appendColoured(text, color);

    // Setting a style sheet repolishes the widget; an unchanged one is not set
    // again, so a run of lines in one colour costs no restyling at all.
    const QString styleSheet = rewrittenStyleSheet(view->styleSheet(), color);
    if (styleSheet != view->styleSheet())
        view->setStyleSheet(styleSheet);
}

void LogView::appendColoured(const QString& text, const QColor& color)
{
    const bool bold = color == QColor(Qt::green);
    if (bold)
        view->setFontWeight(QFont::Bold);
    view->setTextColor(color);
    view->append(text);
    view->moveCursor(QTextCursor::End);
    view->ensureCursorVisible();
    view->setTextColor(Qt::black);
    if (bold)
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
