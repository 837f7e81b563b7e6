#include "FitLabel.h"

#include <QFontMetrics>

#include <algorithm>

namespace {
constexpr int smallestPixels = 10;
constexpr double heightShare = 0.8; // of the label's height, for the letters; the rest is air
} // namespace

FitLabel::FitLabel(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(smallestPixels);
    setFont(bold);
}

void FitLabel::setWord(const QString& word)
{
    if (word == text())
        return;
    setText(word);
    fit();
}

QSize FitLabel::sizeHint() const
{
    return minimumSizeHint();
}

QSize FitLabel::minimumSizeHint() const
{
    return { smallestPixels, smallestPixels * 2 };
}

void FitLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void FitLabel::fit()
{
    const QRect room = contentsRect();
    QFont sized = font();
    int pixels = std::max(smallestPixels, int(room.height() * heightShare));
    sized.setPixelSize(pixels);
    const int width = QFontMetrics(sized).horizontalAdvance(text());
    // A font's width does not grow quite in step with its size: keep a little room.
    if (width > room.width() && width > 0)
        pixels = std::max(smallestPixels, int(double(pixels) * room.width() * 0.95 / width));
    if (pixels != font().pixelSize()) {
        sized.setPixelSize(pixels);
        setFont(sized);
    }
}
