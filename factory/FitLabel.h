#pragma once

#include <QLabel>

// A word as large as the label allows: its font grows with the label's
// height and shrinks only as far as the width needs, so that a short word
// ("PASS") reads from across the bench and a long one still fits. The label
// takes the room its layout leaves it and never asks for more.
class FitLabel : public QLabel {
    Q_OBJECT

public:
    explicit FitLabel(QWidget* parent = nullptr);

    void setWord(const QString& word);
    // The pixel size of the word as it is drawn now.
    int wordPixelSize() const { return font().pixelSize(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
};
