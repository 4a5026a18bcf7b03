#include "ShortcutsBox.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QEvent>
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
    return Actions::plainText(action->text());
}

// The window keeps the bare digits 0 to 9 for seeking to that tenth of the
// file; they are not registered actions, so no row can take them. Returns
// the digit, or -1 for any other sequence.
int seekDigit(const QKeySequence& sequence)
{
    if (sequence.count() != 1)
        return -1;
    const QKeyCombination combination = sequence[0];
    const int key = combination.key();
    if (combination.keyboardModifiers() != Qt::NoModifier || key < Qt::Key_0 || key > Qt::Key_9)
        return -1;
    return key - Qt::Key_0;
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
    m_table->setTabKeyNavigation(false);   // Tab leaves the table; arrows move in it
    m_table->setMinimumHeight(420);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->viewport()->installEventFilter(this);
}

// Group 120 px and Shortcut 200 px while the action names keep at least
// two fifths of the table; below that the two narrow with it, and in a very
// narrow table the group column goes.
bool ShortcutsBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize) {
        const int room = m_table->viewport()->width();
        m_table->setColumnHidden(0, room < kNoGroupWidth);
        m_table->setColumnWidth(0, qMin(120, room / 5));
        m_table->setColumnWidth(2, qMin(200, room < kNoGroupWidth ? room / 2 : room * 2 / 5));
    }
    return QGroupBox::eventFilter(watched, event);
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
    if (const int digit = seekDigit(sequence); digit >= 0) {
        keepSeekKey(row, digit);
        return;
    }
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

// A seek digit stays with the seek: the row shows its own combination again.
void ShortcutsBox::keepSeekKey(int row, int digit)
{
    const QString seek = L("Ir para %1%", "Seek to %1%").arg(digit * 10);
    m_host->toast(
        L("Atalho já usado em \"%1\" — não trocado", "Shortcut is used by \"%1\" — not changed").arg(seek));
    m_editors.at(row)->showQuietly(Actions::instance()->actions.value(m_ids.at(row))->shortcut());
}

void ShortcutsBox::resetAll()
{
    Actions* registry = Actions::instance();
    registry->resetAll();
    for (int i = 0; i < m_editors.size() && i < registry->order.size(); ++i)
        m_editors.at(i)->showQuietly(registry->actions.value(registry->order.at(i))->shortcut());
}
