#include "Widgets.h"

#include "CardView.h"
#include "Icons.h"
#include "Lang.h"
#include "Theme.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QLabel* makeTitle(const QString& text, const char* objectName)
{
    // Titles can be names from files (a playlist's own name), never markup.
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QLatin1String(objectName));
    return label;
}

QPushButton* makeButton(const QString& text, const QString& iconName, bool primary)
{
    auto* button = new QPushButton(text);
    if (!iconName.isEmpty()) {
        const QColor normal(QLatin1String(primary ? "#07111f" : "#c9d4e3"));
        button->setIcon(Icons::icon(iconName, normal, QColor(QStringLiteral("#2bd9fe"))));
    }
    button->setIconSize(QSize(16, 16));
    button->setCursor(Qt::PointingHandCursor);
    // Reached by Tab; a click leaves the focus where it was.
    button->setFocusPolicy(Qt::TabFocus);
    if (primary)
        button->setProperty("primary", true);
    return button;
}

QWidget* emptyState(const QString& iconName, const QString& title, const QString& text,
                    QWidget* extra)
{
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setAlignment(Qt::AlignCenter);
    layout->setSpacing(10);
    layout->addStretch();

    auto* icon = new QLabel;
    icon->setPixmap(Icons::pixmap(iconName, 56, Theme::cyan));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    QLabel* heading = makeTitle(title, "SectionTitle");
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    auto* body = new QLabel(text);
    body->setObjectName(QStringLiteral("Muted"));
    body->setAlignment(Qt::AlignCenter);
    body->setWordWrap(true);
    body->setMaximumWidth(460);
    // Centred by stretches rather than by alignment: an aligned word-wrapped
    // label gets its height for the whole row's width and is cut off when
    // it is laid out narrower. The text takes the row's width first, up to
    // its maximum, so it wraps at 460 px and not at the label's own guess.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(body, 1000);
    row->addStretch(1);
    layout->addLayout(row);

    if (extra)
        layout->addWidget(extra, 0, Qt::AlignHCenter);
    layout->addStretch();
    return panel;
}

QWidget* section(const QString& title, CardView* view, QWidget* button)
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(makeTitle(title, "SectionTitle"));
    header->addStretch();
    if (button)
        header->addWidget(button);
    layout->addLayout(header);
    layout->addWidget(view);
    return block;
}

QString relativeDate(qint64 secs)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(secs);
    const qint64 days = t.date().daysTo(QDate::currentDate());
    const QString time = t.toString(QStringLiteral("HH:mm"));
    if (days == 0)
        return L("Hoje, ", "Today, ") + time;
    if (days == 1)
        return L("Ontem, ", "Yesterday, ") + time;
    if (days >= 2 && days <= 6)
        return L("Há %1 dias", "%1 days ago").arg(days);
    // Seven days or more, and dates after today, which no count describes.
    return t.toString(L("dd/MM/yyyy", "MM/dd/yyyy"));
}

void showButtonText(QPushButton* button, const QString& text, bool shown)
{
    button->setText(shown ? text : QString());
    button->setToolTip(shown ? QString() : text);
}
