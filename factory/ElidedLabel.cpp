#include "ElidedLabel.h"

#include <QEvent>

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent)
    , mode(mode)
{
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text)
{
    if (text == full)
        return;
    full = text;
    elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return { fontMetrics().horizontalAdvance(QStringLiteral("\u2026")) + margins.left() + margins.right(),
        QLabel::minimumSizeHint().height() };
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return { fontMetrics().horizontalAdvance(full) + margins.left() + margins.right(), QLabel::sizeHint().height() };
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        elide();
}

void ElidedLabel::elide()
{
    const QString shown = fontMetrics().elidedText(full, mode, contentsRect().width());
    if (shown != text())
        setText(shown);
    setToolTip(shown == full ? QString() : full);
}
