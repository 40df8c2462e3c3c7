#pragma once

#include <QWidget>

#include <optional>

class PreferencesHost;
class QButtonGroup;
class QLabel;

// The row a reminder plays when it fires, chosen from tiles: "None", then one tile per row of the
// active pet with frames, each with a live preview and the row's short label. The hint under the
// tiles names the chosen row in full.
class ReminderAnimationSelector : public QWidget {
    Q_OBJECT

public:
    explicit ReminderAnimationSelector(PreferencesHost &host, QWidget *parent = nullptr);

    std::optional<qint64> row() const { return m_row; }
    // A row the active pet does not have stays chosen with no tile lit.
    void setRow(std::optional<qint64> row);
    QString hint() const;

private:
    void select(std::optional<qint64> row);

    PreferencesHost &m_host;
    QButtonGroup *m_tiles = nullptr;
    QLabel *m_hint = nullptr;
    std::optional<qint64> m_row;
};
