#include "QueuePanel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "Icons.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "Widgets.h"

QueuePanel::QueuePanel(PlayerCore* core, QWidget* parent) : QWidget(parent), m_core(core)
{
    setObjectName(QStringLiteral("QueuePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(340);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 18, 12, 12);
    root->setSpacing(10);

    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->addWidget(makeTitle(L("Fila", "Queue"), "SectionTitle"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Muted"));
    titles->addWidget(m_count);
    header->addLayout(titles, 1);
    auto* close = new QToolButton(this);
    close->setIcon(Icons::icon(QStringLiteral("x")));
    close->setToolTip(L("Fechar", "Close"));
    header->addWidget(close, 0, Qt::AlignTop);
    root->addLayout(header);

    auto* buttons = new QHBoxLayout;
    QPushButton* save = makeButton(L("Salvar playlist", "Save playlist"), QStringLiteral("plus"));
    QPushButton* clear = makeButton(L("Limpar", "Clear"), QStringLiteral("trash"));
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch();
    root->addLayout(buttons);

    m_list = new QListWidget(this);
    m_list->setIconSize(QSize(16, 16));
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: transparent; border: none; } "
                                         "QListWidget::item { padding: 8px 6px; border-radius: 8px; }"
                                         "QListWidget::item:selected { background: #183049; }"));
    root->addWidget(m_list, 1);

    connect(close, &QToolButton::clicked, this, &QueuePanel::closeRequested);
    connect(clear, &QPushButton::clicked, this, [this] { m_core->clearQueue(); });
    connect(save, &QPushButton::clicked, this, [this] {
        QList<QString> paths;
        for (const QueueEntry& e : m_core->queue())
            paths << e.path;
        if (!paths.isEmpty())
            emit saveAsPlaylist(paths);
    });
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { m_core->playIndex(m_list->row(item)); });
    connect(m_core, &PlayerCore::queueChanged, this, &QueuePanel::refresh);
    refresh();
}

void QueuePanel::refresh()
{
    const QList<QueueEntry> queue = m_core->queue();
    const int scroll = m_list->verticalScrollBar()->value();
    m_list->clear();
    for (int i = 0; i < queue.size(); ++i) {
        const QueueEntry& e = queue[i];
        QString title = e.title;
        if (title.isEmpty())
            title = e.path.contains(QLatin1String("://")) ? e.path : QFileInfo(e.path).completeBaseName();
        auto* item = new QListWidgetItem(title, m_list);
        item->setToolTip(e.path);
        if (i == m_core->playlistPos())
            item->setForeground(QColor(0x2b, 0xd9, 0xfe));
    }
    m_count->setText(L("%1 itens", "%1 items").arg(queue.size()));
    m_list->verticalScrollBar()->setValue(scroll);
}
