#include "askprompt/AskPromptPanel.h"

#include "askprompt/AskPromptView.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

AskPromptPanel::AskPromptPanel(AskPromptView *view)
    : m_view(view)
{
    setObjectName(QStringLiteral("askPromptPanel"));
    setWindowTitle(QStringLiteral("Ask Tamsel"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    Theme::applyLightPalette(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(shadowMargin, shadowMargin, shadowMargin, shadowMargin);
    layout->addWidget(view);
    view->setParent(this);
}

void AskPromptPanel::setCardGeometry(const QRect &card)
{
    setFixedSize(card.size() + QSize(2 * shadowMargin, 2 * shadowMargin));
    move(card.topLeft() - QPoint(shadowMargin, shadowMargin));
}

QRect AskPromptPanel::cardGeometry() const
{
    return QRect(pos() + QPoint(shadowMargin, shadowMargin), size() - QSize(2 * shadowMargin, 2 * shadowMargin));
}

void AskPromptPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    // A soft shadow built from stacked translucent outlines: cheap, and drawn only where a
    // compositor makes the margin transparent.
    const int blur = Theme::PanelShadow::blur;
    for (int i = blur; i > 0; i -= 2) {
        const double fade = 1.0 - static_cast<double>(i) / blur;
        QColor shade(0, 0, 0);
        shade.setAlphaF(Theme::PanelShadow::opacity * fade * fade * 0.25);
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        const double spread = i / 2.0;
        p.drawRoundedRect(
            card.adjusted(-spread, -spread + Theme::PanelShadow::offsetY, spread, spread + Theme::PanelShadow::offsetY),
            Theme::Radius::window + spread, Theme::Radius::window + spread);
    }
    p.setBrush(Theme::Surface::card);
    p.setPen(QPen(Theme::Surface::cardBorder, 1));
    p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), Theme::Radius::window, Theme::Radius::window);
}

void AskPromptPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}
