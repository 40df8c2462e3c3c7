#pragma once

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class AnimationTicker;
class SpriteSheetDecoder;

// A small live preview of one atlas row for the preference panes. It steps through the row's
// frames on the shared ticker, four frames a second, and paints the current frame scaled to fit
// with hard pixels. It listens to the ticker only while it is live, shown and has at least two
// frames; previews in hidden or covered windows do not advance.
class AnimationPreviewView : public QWidget {
    Q_OBJECT

public:
    // ticker: the clock to follow, AnimationTicker::shared() when null.
    explicit AnimationPreviewView(QWidget *parent = nullptr, AnimationTicker *ticker = nullptr);
    ~AnimationPreviewView() override;

    // What to show. A change of decoder or row starts again from frame 0.
    void configure(std::shared_ptr<const SpriteSheetDecoder> decoder, std::optional<qint64> row, bool isLive = true);

    const std::shared_ptr<const SpriteSheetDecoder> &decoder() const { return m_decoder; }
    std::optional<qint64> row() const { return m_row; }
    bool isLive() const { return m_live; }
    // The row's measured frames; 0 without a decoder or a row.
    qint64 frameCount() const { return m_frameCount; }
    qint64 currentFrame() const { return m_currentFrame; }
    bool isSubscribed() const { return m_subscribed; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateSubscription();
    void advance();

    QPointer<AnimationTicker> m_ticker;
    std::shared_ptr<const SpriteSheetDecoder> m_decoder;
    std::optional<qint64> m_row;
    bool m_live = true;
    qint64 m_frameCount = 0;
    qint64 m_currentFrame = 0;
    bool m_subscribed = false;
    // The row's frames scaled to m_scaledSize device pixels, by frame number.
    QHash<qint64, QPixmap> m_scaled;
    QSize m_scaledSize;
};
