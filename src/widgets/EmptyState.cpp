#include "widgets/EmptyState.h"

#include "widgets/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
QLabel *centredLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}
}

EmptyState::EmptyState(const QIcon &icon, const QString &title, const QString &line, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::l, Theme::Space::xl, Theme::Space::l, Theme::Space::xl);
    column->setSpacing(Theme::Space::s);
    auto *picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(32, 32));
    picture->setAlignment(Qt::AlignHCenter);
    column->addWidget(picture);
    m_title = centredLabel(title, Theme::TypeSize::cardTitle, QFont::DemiBold, Theme::Ink::primary, this);
    m_line = centredLabel(line, Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary, this);
    column->addWidget(m_title);
    column->addWidget(m_line);
}

QString EmptyState::title() const
{
    return m_title->text();
}

QString EmptyState::line() const
{
    return m_line->text();
}
