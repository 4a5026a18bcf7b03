#include "FolderBox.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "FitRowsDelegate.h"
#include "Icons.h"
#include "Lang.h"
#include "Library.h"
#include "Widgets.h"

FolderBox::FolderBox(const QString& kind, const QString& title, QWidget* dialogParent)
    : QGroupBox(title), m_kind(kind), m_dialogParent(dialogParent), m_list(new QListWidget)
{
    auto* row = new QHBoxLayout(this);
    m_list->setMaximumHeight(120);
    // A long path is shortened in its middle (the tool tip has it whole).
    m_list->setItemDelegate(new FitRowsDelegate(m_list));
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget { background: #0d1b2e; border: 1px solid #22344c; border-radius: 10px; padding: 4px; }"));
    refill();

    auto* buttons = new QVBoxLayout;
    QPushButton* add = makeButton(L("Adicionar", "Add"), QStringLiteral("folder-plus"));
    QPushButton* remove = makeButton(L("Remover", "Remove"), QStringLiteral("trash"));
    QPushButton* rescan = makeButton(L("Atualizar", "Rescan"), QStringLiteral("refresh"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(rescan);
    buttons->addStretch();
    row->addWidget(m_list, 1);
    row->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &FolderBox::addFolder);
    connect(remove, &QPushButton::clicked, this, &FolderBox::removeFolder);
    connect(rescan, &QPushButton::clicked, this, [] { Library::instance()->rescan(); });
    // Folders added elsewhere (the Music and Videos pages) show here at once.
    connect(Library::instance(), &Library::foldersChanged, this, [this](const QString& kind) {
        if (kind == m_kind)
            refill();
    });
}

void FolderBox::refill()
{
    m_list->clear();
    const QIcon icon = Icons::icon(QStringLiteral("folder"));
    for (const QString& path : Library::instance()->folders(m_kind)) {
        auto* item = new QListWidgetItem(icon, QDir::toNativeSeparators(path));
        item->setToolTip(item->text());
        m_list->addItem(item);
    }
}

void FolderBox::addFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(m_dialogParent, L("Escolher pasta", "Choose folder"),
                                                          QString(), QFileDialog::ShowDirsOnly);
    if (dir.isEmpty())
        return;
    Library::instance()->addFolder(m_kind, dir);
}

void FolderBox::removeFolder()
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    Library::instance()->removeFolder(m_kind, QDir::fromNativeSeparators(item->text()));
}
