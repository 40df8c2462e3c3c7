#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class PreferencesHost;

// The Window pane: the pet's scale, its window level, click-through and starting hidden. Each
// control writes its setting and applies it to the pet on screen at once (starting hidden only at
// the next launch).
class WindowPane : public QWidget {
    Q_OBJECT

public:
    explicit WindowPane(PreferencesHost &host, QWidget *parent = nullptr);

    static const QList<double> &scales();
    // "1×" for exactly 1; else two decimals without trailing zeros or point, then "×".
    static QString scaleLabel(double scale);
};
