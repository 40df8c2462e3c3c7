#include "app/AskPromptPlaceholder.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

AskPromptPlaceholder::AskPromptPlaceholder(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Ask Tamsel"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("Ask Tamsel"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    auto *body = new QLabel(QStringLiteral("Typing questions to your pet is coming soon.\n"
                                           "Press Super+K again or Escape to close this."),
        this);
    layout->addWidget(title);
    layout->addWidget(body);
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

void AskPromptPlaceholder::present(const QRect &petFrame)
{
    QScreen *screen
        = petFrame.isEmpty() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(petFrame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QPoint origin = petFrame.isEmpty() ? available.center() - QPoint(width() / 2, height() / 2)
                                       : QPoint(petFrame.center().x() - width() / 2, petFrame.top() - height() - 12);
    if (!petFrame.isEmpty() && origin.y() < available.top())
        origin.setY(petFrame.bottom() + 12);
    origin.setX(std::clamp(origin.x(), available.left(), std::max(available.left(), available.right() - width())));
    origin.setY(std::clamp(origin.y(), available.top(), std::max(available.top(), available.bottom() - height())));
    move(origin);
    show();
    raise();
    activateWindow();
}

void AskPromptPlaceholder::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
