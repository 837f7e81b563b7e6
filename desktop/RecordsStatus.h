#pragma once

#include "RecordHealth.h"

#include <QHash>
#include <QLabel>

class ProductionRecorder;

// The records' health where the operator looks: "Records: line database,
// 0 waiting", or how many rows wait since when and why. One label for a
// window's recorders (the factory has one per station; they share the outbox).
// A long error is cut to the room there is, never widening the window; the
// tool tip holds all of it.
class RecordsStatus : public QLabel {
    Q_OBJECT

public:
    explicit RecordsStatus(QWidget* parent = nullptr);

    void watch(ProductionRecorder* recorder);
    // Sets the text again in the language now loaded.
    void retranslate();

    // What the label says about one health, in the language loaded.
    static QString textFor(const RecordHealth& health);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void take(const QObject* recorder, const RecordHealth& health);
    RecordHealth combined() const;
    void showElided();

    QHash<const QObject*, RecordHealth> healths;
    QString fullText;
};
