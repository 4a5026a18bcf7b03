#include "ShortcutsBox.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Actions.h"
#include "Host.h"
#include "Lang.h"
#include "ShortcutEdit.h"
#include "Widgets.h"

namespace {

QString plainText(const QAction* action)
{
    return action->text().remove(QLatin1Char('&'));
}

}  // namespace

// An editor losing focus while the table is torn down would still report
// to this half-destroyed box: stop listening first.
ShortcutsBox::~ShortcutsBox()
{
    for (ShortcutEdit* editor : m_editors)
        editor->disconnect(this);
}

ShortcutsBox::ShortcutsBox(Host* host) : QGroupBox(L("Atalhos de teclado", "Keyboard shortcuts")), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(L("Clique no atalho e aperte a nova combinação. Esc cancela; apague o campo para "
                              "deixar sem atalho.",
                              "Click a shortcut and press the new combination."));
    hint->setObjectName(QStringLiteral("Muted"));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    buildTable();
    layout->addWidget(m_table);
    for (QAction* action : Actions::instance()->all())
        addRow(action);

    QPushButton* reset = makeButton(L("Voltar atalhos ao padrão", "Reset shortcuts"), QStringLiteral("refresh"));
    layout->addWidget(reset, 0, Qt::AlignLeft);
    connect(reset, &QPushButton::clicked, this, &ShortcutsBox::resetAll);
}

void ShortcutsBox::buildTable()
{
    m_table = new QTableWidget(0, 3);
    m_table->setHorizontalHeaderLabels({L("Grupo", "Group"), L("Ação", "Action"), L("Atalho", "Shortcut")});
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 120);
    m_table->setColumnWidth(2, 200);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(38);
    m_table->setShowGrid(false);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setMinimumHeight(420);
}

void ShortcutsBox::addRow(QAction* action)
{
    const QString id = action->objectName();
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto* group = new QTableWidgetItem(Actions::instance()->groups.value(id));
    group->setForeground(QBrush(QColor(0x6b, 0x7c, 0x93)));
    m_table->setItem(row, 0, group);
    m_table->setItem(row, 1, new QTableWidgetItem(action->icon(), plainText(action)));

    auto* editor = new ShortcutEdit(action->shortcut());
    m_table->setCellWidget(row, 2, editor);
    connect(editor, &ShortcutEdit::editingFinished, this, [this, row] { commit(row); });
    connect(editor, &ShortcutEdit::keySequenceChanged, this, [id](const QKeySequence& sequence) {
        if (sequence.isEmpty())
            Actions::instance()->setShortcut(id, QKeySequence());
    });
    m_ids.append(id);
    m_editors.append(editor);
}

void ShortcutsBox::commit(int row)
{
    const QKeySequence sequence = m_editors.at(row)->keySequence();
    if (!sequence.isEmpty())
        takeFromOthers(row, sequence);
    Actions::instance()->setShortcut(m_ids.at(row), sequence);
}

// Another action holding the combination loses it; its field is emptied at
// once, so the table never shows one combination twice.
void ShortcutsBox::takeFromOthers(int row, const QKeySequence& sequence)
{
    Actions* registry = Actions::instance();
    for (QAction* other : registry->all()) {
        const QString otherId = other->objectName();
        if (otherId == m_ids.at(row) || other->shortcut() != sequence)
            continue;
        m_host->toast(L("Atalho já usado em \"%1\" — trocado", "Shortcut was used by \"%1\" — reassigned")
                          .arg(plainText(other)));
        registry->setShortcut(otherId, QKeySequence());
        const int otherRow = m_ids.indexOf(otherId);
        if (otherRow >= 0)
            m_editors.at(otherRow)->showQuietly(QKeySequence());
    }
}

void ShortcutsBox::resetAll()
{
    Actions* registry = Actions::instance();
    registry->resetAll();
    for (int i = 0; i < m_editors.size() && i < registry->order.size(); ++i)
        m_editors.at(i)->showQuietly(registry->actions.value(registry->order.at(i))->shortcut());
}
