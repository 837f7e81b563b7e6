#pragma once

#include <QLabel>

// A one-line label that fits any width: text too long for it is cut with an
// ellipsis, and the whole text is then its tooltip. It never asks for more
// width than an ellipsis, so a row of tiles never needs a scroll bar.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return full; }
    bool isElided() const { return text() != full; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    Qt::TextElideMode mode;
    QString full;
};
