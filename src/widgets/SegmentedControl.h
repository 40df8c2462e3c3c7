#pragma once

#include <QStringList>
#include <QWidget>

// A choice among a few options on one rounded track; the selected segment is white with a soft
// shadow. Clicking a segment or pressing the arrow keys moves the selection.
class SegmentedControl : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedControl(const QStringList &labels, QWidget *parent = nullptr);

    int count() const { return static_cast<int>(m_labels.size()); }
    int currentIndex() const { return m_current; }
    QString currentText() const;
    // -1 selects nothing. Emits currentIndexChanged when the index changes.
    void setCurrentIndex(int index);
    // Where a segment sits, in the control's coordinates.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    int segmentWidth() const;

    QStringList m_labels;
    int m_current = -1;
    bool m_keyboardFocus = false;
};
