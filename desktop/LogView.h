#pragma once

#include <QColor>
#include <QList>
#include <QString>

class QTextEdit;

// The coloured log of a window over its QTextEdit: each line keeps the colour
// it was appended with, green lines are bold, the view follows the last line,
// the colour rules of the view's style sheet follow the latest line, and no
// undo history is kept.
class LogView {
public:
    struct Line {
        QString text;
        QColor color;
    };

    explicit LogView(QTextEdit* view);

    // The dark look every window's log starts with.
    static QString initialStyleSheet() { return QStringLiteral("QTextEdit {font: times bold 13pt; background: black }"); }

    void appendLog(const QString& text, const QColor& color);
    // The same as appending each line in turn, but laid out, scrolled and
    // restyled once: for a window that receives lines faster than it draws.
    void appendLogs(const QList<Line>& lines);

    // The style sheet that a line of this colour leaves on a view whose style sheet is current.
    static QString rewrittenStyleSheet(const QString& current, const QColor& color);

    QTextEdit* textEdit() const { return view; }

    enum class SaveResult { Saved, CantOpen, CantWrite };
    // The lines as plain UTF-8 text, one line feed between two lines, none after the last.
    SaveResult saveTo(const QString& path) const;

private:
    void insertColoured(const QList<Line>& lines);
    void followLastLine(const QColor& lastColor);

    QTextEdit* view;
};
