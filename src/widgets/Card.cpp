#include "widgets/Card.h"

#include "widgets/Chip.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}
}

Card::Card(const QString &title, const QIcon &icon, QWidget *parent)
    : QFrame(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::l, Theme::Space::m, Theme::Space::l, Theme::Space::m);
    column->setSpacing(0);
    if (!title.isEmpty()) {
        auto *header = new QHBoxLayout;
        header->setContentsMargins(0, Theme::Space::xs, 0, Theme::Space::s);
        header->setSpacing(Theme::Space::s);
        if (!icon.isNull()) {
            auto *picture = new QLabel(this);
            picture->setPixmap(icon.pixmap(20, 20));
            header->addWidget(picture);
        }
        header->addWidget(inkLabel(title, Theme::TypeSize::cardTitle, QFont::DemiBold, Theme::Ink::primary, this));
        m_count = new Chip(QString(), Theme::Ink::secondary, this);
        m_count->hide();
        header->addWidget(m_count);
        header->addStretch();
        column->addLayout(header);
    }
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(0);
    column->addLayout(m_rows);
}

void Card::setCount(int count)
{
    if (!m_count)
        return;
    m_count->setText(QString::number(count));
    m_count->setVisible(count >= 0);
}

void Card::addSeparatorIfNeeded(QWidget *row)
{
    if (m_rowCount++ == 0)
        return;
    auto *hairline = new QFrame(this);
    if (row->testAttribute(Qt::WA_WState_ExplicitShowHide) && row->isHidden())
        hairline->hide();
    m_separators.insert(row, hairline);
    row->installEventFilter(this);
    // A row taken out (a rebuilt part of the card) takes its hairline along.
    connect(row, &QObject::destroyed, hairline, &QObject::deleteLater);
    hairline->setFixedHeight(1);
    hairline->setAutoFillBackground(true);
    QPalette palette = hairline->palette();
    palette.setColor(QPalette::Window, Theme::Surface::cardBorder);
    hairline->setPalette(palette);
    m_rows->addWidget(hairline);
}

QWidget *Card::addRow(const QString &label, const QString &hint, QWidget *control)
{
    auto *row = new QWidget(this);
    addSeparatorIfNeeded(row);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, Theme::Space::m, 0, Theme::Space::m);
    line->setSpacing(Theme::Space::m);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(inkLabel(label, Theme::TypeSize::body, QFont::Medium, Theme::Ink::primary, row));
    if (!hint.isEmpty()) {
        QLabel *hintLabel = inkLabel(hint, Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, row);
        hintLabel->setWordWrap(true);
        texts->addWidget(hintLabel);
    }
    line->addLayout(texts, 1);
    if (control) {
        control->setParent(row);
        line->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_rows->addWidget(row);
    return row;
}

void Card::addWidget(QWidget *widget)
{
    addSeparatorIfNeeded(widget);
    widget->setParent(this);
    m_rows->addWidget(widget);
}

void Card::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::Surface::cardBorder, 1));
    p.setBrush(Theme::Surface::card);
    const double r = Theme::Radius::window;
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), r, r);
}

bool Card::eventFilter(QObject *watched, QEvent *event)
{
    // Two hairlines in a row would show where a hidden row is.
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        if (QWidget *hairline = m_separators.value(watched))
            hairline->setVisible(event->type() == QEvent::ShowToParent);
    }
    return QFrame::eventFilter(watched, event);
}
