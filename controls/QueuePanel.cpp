#include "QueuePanel.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QTextDocument>

#include <algorithm>
#include <optional>

#include "Database.h"
#include "Icons.h"
#include "Lang.h"
#include "MediaItem.h"
#include "PlayerCore.h"
#include "Widgets.h"

namespace {

const QColor kCyan(0x2b, 0xd9, 0xfe);
const QColor kDim(0x4b, 0x5d, 0x75);

// Moves the list's current row to the row under pos. The core moves the
// entry before the one at the index it is given (counted before the move),
// so a downward move aims one further to land on the row dropped on.
void moveCurrentTo(QListWidget* list, PlayerCore* core, const QPoint& pos)
{
    QListWidgetItem* current = list->currentItem();
    if (!current)
        return;
    const int from = list->row(current);
    QListWidgetItem* under = list->itemAt(pos);
    int to = under ? list->row(under) : list->count();
    if (to > from)
        ++to;
    if (to != from)
        core->moveIndex(from, to);
}

// The list rows are the core's queue: drops and Delete become core
// operations, and the rows change when the core reports the new queue.
class QueueList : public QListWidget
{
public:
    QueueList(PlayerCore* core, QWidget* parent) : QListWidget(parent), m_core(core) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Delete) {
            QListWidget::keyPressEvent(event);
            return;
        }
        QList<int> rows;
        for (QListWidgetItem* item : selectedItems())
            rows.append(row(item));
        // Highest first, so that each removal leaves the lower rows in place.
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        for (int r : rows)
            m_core->removeIndex(r);
    }

    void dropEvent(QDropEvent* event) override
    {
        if (event->source() != this || !currentItem())
            return;
        // Ignored as a move, so the view itself never moves or removes rows.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        stopAutoScroll();
        viewport()->update();
        moveCurrentTo(this, m_core, event->position().toPoint());
    }

private:
    PlayerCore* m_core;
};

// Rows as wide as the list and no wider: a long title ends in an ellipsis
// instead of widening the rows past the panel's edge. Every row has the
// same height (a long queue is then laid out without measuring each row):
// two lines' worth as soon as one row shows an artist line.
class QueueRowDelegate : public QStyledItemDelegate
{
public:
    QueueRowDelegate(const int* twoLineRows, QObject* parent)
        : QStyledItemDelegate(parent), m_twoLineRows(twoLineRows)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (*m_twoLineRows > 0 && !index.data().toString().contains(QLatin1Char('\n')))
            size.rheight() += option.fontMetrics.lineSpacing();
        if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
            size.setWidth(qMin(size.width(), view->viewport()->width()));
        return size;
    }

private:
    const int* m_twoLineRows;
};

bool sameEntry(const QueueEntry& x, const QueueEntry& y)
{
    return x.path == y.path && x.title == y.title;
}

// A row whose text still waits for the library's names.
constexpr int kUnnamedRole = Qt::UserRole + 1;

// The title the entry carries, else the link or the file's name.
QString plainTitle(const QueueEntry& entry)
{
    if (!entry.title.isEmpty())
        return entry.title;
    return entry.path.contains(QLatin1String("://")) ? entry.path : QFileInfo(entry.path).completeBaseName();
}

// Title and second line (the artist) of one entry.
std::pair<QString, QString> entryTexts(const QueueEntry& entry)
{
    QString title = entry.title;
    QString artist;
    if (const std::optional<MediaItem> row = Database::instance()->mediaByPath(entry.path)) {
        if (title.isEmpty())
            title = row->displayTitle();
        artist = row->artist;
    }
    if (title.isEmpty())
        title = plainTitle(entry);
    return {title, artist};
}

QString rowText(const QueueEntry& entry)
{
    const auto [title, artist] = entryTexts(entry);
    return artist.isEmpty() ? title : title + QLatin1Char('\n') + artist;
}

// "Queue" over the item count, and the close button on the right.
QHBoxLayout* headerRow(QLabel* count, QToolButton* close)
{
    auto* titles = new QVBoxLayout;
    titles->addWidget(makeTitle(L("Fila", "Queue"), "SectionTitle"));
    count->setObjectName(QStringLiteral("Muted"));
    titles->addWidget(count);
    close->setIcon(Icons::icon(QStringLiteral("x")));
    close->setToolTip(L("Fechar", "Close"));
    close->setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout;
    row->addLayout(titles, 1);
    row->addWidget(close, 0, Qt::AlignTop);
    return row;
}

QHBoxLayout* buttonRow(QPushButton* save, QPushButton* clear)
{
    auto* row = new QHBoxLayout;
    row->addWidget(save);
    row->addWidget(clear);
    row->addStretch();
    return row;
}

void setUpList(QListWidget* list)
{
    list->setDragDropMode(QAbstractItemView::InternalMove);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setIconSize(QSize(16, 16));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideRight);
    list->setResizeMode(QListView::Adjust);   // rows follow the list's width
    list->setStyleSheet(QStringLiteral("QListWidget { background: transparent; border: none; } "
                                       "QListWidget::item { padding: 8px 6px; border-radius: 8px; }"
                                       "QListWidget::item:selected { background: #183049; }"));
}

}  // namespace

// A narrow panel keeps the buttons' icons (the tool tips have the texts); a
// short one gives up its spacing and the hint, so the list keeps some rows.
void QueuePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const bool narrow = width() < kRoomyWidth;
    const QString texts[] = {L("Salvar playlist", "Save playlist"), L("Limpar", "Clear")};
    QPushButton* buttons[] = {m_save, m_clear};
    for (int i = 0; i < 2; ++i)
        showButtonText(buttons[i], texts[i], !narrow);
    const bool shortPanel = height() < kRoomyHeight;
    layout()->setContentsMargins(16, shortPanel ? 8 : 18, 12, shortPanel ? 6 : 12);
    layout()->setSpacing(shortPanel ? 4 : 10);
    m_hint->setVisible(!shortPanel);
}

QueuePanel::QueuePanel(PlayerCore* core, QWidget* parent)
    : QWidget(parent), m_core(core), m_musicIcon(Icons::pixmap(QStringLiteral("music"), 16, kDim))
{
    setObjectName(QStringLiteral("QueuePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedWidth(340);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 18, 12, 12);
    root->setSpacing(10);
    m_count = new QLabel(this);
    auto* close = new QToolButton(this);
    root->addLayout(headerRow(m_count, close), 0);
    QPushButton* save = makeButton(L("Salvar playlist", "Save playlist"), QStringLiteral("plus"));
    QPushButton* clear = makeButton(L("Limpar", "Clear"), QStringLiteral("trash"));
    root->addLayout(buttonRow(save, clear), 0);
    m_save = save;
    m_clear = clear;
    m_list = new QueueList(m_core, this);
    setUpList(m_list);
    m_list->setItemDelegate(new QueueRowDelegate(&m_twoLineRows, m_list));
    root->addWidget(m_list, 1);
    auto* hint = new QLabel(L("Arraste para reordenar · Delete remove", "Drag to reorder · Delete removes"), this);
    hint->setObjectName(QStringLiteral("Muted"));
    hint->setWordWrap(true);
    m_hint = hint;
    root->addWidget(hint, 0);

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
    connect(m_list, &QListWidget::customContextMenuRequested, this, &QueuePanel::showRowMenu);
    connect(m_core, &PlayerCore::queueChanged, this, &QueuePanel::scheduleRefresh);
    m_naming.setSingleShot(true);
    m_naming.setInterval(0);
    connect(&m_naming, &QTimer::timeout, this, &QueuePanel::nameSomeRows);
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_unnamed > 0)
            m_naming.start();
    });
    // Titles and artists may have changed: the rows are made again.
    connect(Database::instance(), &Database::libraryChanged, this, [this] {
        m_stale = true;
        scheduleRefresh();
    });
    refresh();
}

// libmpv reports one change of track as several queue changes in a row
// (position, then the list twice): they are answered together, once the
// events on hand are through.
void QueuePanel::scheduleRefresh()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &QueuePanel::refreshIfChanged, Qt::QueuedConnection);
}

// A hidden panel catches up when it is shown.
void QueuePanel::refreshIfChanged()
{
    m_pending = false;
    if (!isVisible())
        return;
    if (m_stale)
        refresh();
    else
        applyEdit(m_core->queue());
}

void QueuePanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshIfChanged();
    scrollToCurrent();
}

void QueuePanel::refresh()
{
    m_stale = false;
    const int scroll = m_list->verticalScrollBar()->value();
    m_list->clear();
    m_shown.clear();
    m_twoLineRows = 0;
    m_unnamed = 0;
    m_namingFrom = kNoRow;
    m_shownPos = -1;
    applyEdit(m_core->queue());
    if (scroll > 0) {
        m_list->doItemsLayout();   // the scroll range comes from the new rows
        m_list->verticalScrollBar()->setValue(scroll);
    }
}

// Brings the rows from what they show to the given queue by replacing only
// the part between what the two share at their start and at their end: a
// change of position re-decorates two rows, a removal takes one row out,
// and a new queue replaces them all. False when nothing changed.
bool QueuePanel::applyEdit(const QList<QueueEntry>& queue)
{
    const int oldSize = int(m_shown.size()), newSize = int(queue.size());
    const int pos = m_core->playlistPos();
    int head = 0;
    while (head < oldSize && head < newSize && sameEntry(m_shown[head], queue[head]))
        ++head;
    int tail = 0;
    while (tail < oldSize - head && tail < newSize - head
           && sameEntry(m_shown[oldSize - 1 - tail], queue[newSize - 1 - tail]))
        ++tail;
    const int removed = oldSize - head - tail, added = newSize - head - tail;
    if (removed == 0 && added == 0 && pos == m_shownPos)
        return false;
    // Where the row shown as current is once the edit is made, if it stays.
    int kept = -1;
    if (m_shownPos >= 0 && m_shownPos < head)
        kept = m_shownPos;
    else if (m_shownPos >= head + removed && m_shownPos < oldSize)
        kept = m_shownPos - removed + added;
    if (removed > 0) {
        int twoLines = 0;
        for (int i = head; i < head + removed; ++i) {
            twoLines += m_list->item(i)->text().contains(QLatin1Char('\n'));
            m_unnamed -= m_list->item(i)->data(kUnnamedRole).toBool();
        }
        m_namingFrom = qMin(m_namingFrom, head);
        if (removed == oldSize)
            m_list->clear();
        else
            m_list->model()->removeRows(head, removed);
        setTwoLineRows(m_twoLineRows - twoLines);
    }
    if (added > 0)
        insertRows(head, queue.mid(head, added));
    m_shown = queue;
    m_shownPos = pos;
    if (kept >= 0 && kept != pos)
        decorateRow(kept, false);
    if (pos >= 0 && pos < newSize)
        decorateRow(pos, true);
    // A new queue in place of the old opens at its playing row, once it has one.
    m_seekCurrent = m_seekCurrent || (head == 0 && tail == 0 && oldSize > 0);
    if (m_seekCurrent && pos >= 0) {
        m_seekCurrent = false;
        scrollToCurrent();
    }
    showCount();
    return true;
}

// New rows with their tool tips and icons. A few rows get the library's
// names at once; a long run shows what the entries carry and is named a
// slice at a time (see nameSomeRows). The rows were just inserted and are
// laid out later anyway, so the model need not announce each change.
void QueuePanel::insertRows(int at, const QList<QueueEntry>& entries)
{
    const bool now = entries.size() <= kNamingSlice;
    QStringList texts;
    texts.reserve(entries.size());
    const bool batch = now && entries.size() > 1 && Database::transaction();
    for (const QueueEntry& entry : entries)
        texts << (now ? rowText(entry) : plainTitle(entry));
    if (batch)
        Database::commit();
    m_list->insertItems(at, texts);   // one insertion for all rows
    int twoLines = 0;
    {
        const QSignalBlocker quiet(m_list->model());
        for (int i = 0; i < entries.size(); ++i) {
            QListWidgetItem* item = m_list->item(at + i);
            item->setToolTip(Qt::convertFromPlainText(entries[i].path));   // a name with "<" is no markup
            item->setIcon(m_musicIcon);
            if (!now)
                item->setData(kUnnamedRole, true);
            twoLines += texts[i].contains(QLatin1Char('\n'));
        }
    }
    setTwoLineRows(m_twoLineRows + twoLines);
    if (now)
        return;
    m_unnamed += int(entries.size());
    m_namingFrom = qMin(m_namingFrom, at);
    m_naming.start();
}

// Names the rows in view, then the next slice of the others, in one read
// transaction; the rest waits for the loop's next turn.
void QueuePanel::nameSomeRows()
{
    if (m_unnamed <= 0)
        return;
    const bool batch = Database::transaction();
    int twoLines = 0;
    const QModelIndex top = m_list->indexAt(QPoint(0, 0));
    const int first = top.isValid() ? top.row() : 0;
    for (int row = first; row < first + kRowsInView; ++row)
        twoLines += qMax(0, nameRow(row));
    for (int named = 0; m_namingFrom < m_list->count() && named < kNamingSlice; ++m_namingFrom) {
        const int lines = nameRow(m_namingFrom);
        named += lines >= 0;
        twoLines += qMax(0, lines);
    }
    if (batch)
        Database::commit();
    m_list->viewport()->update();
    setTwoLineRows(m_twoLineRows + twoLines);
    if (m_unnamed > 0)
        m_naming.start();
    else
        m_namingFrom = kNoRow;
}

// 1 when the row got a second line, 0 when not, -1 when it was named before.
int QueuePanel::nameRow(int row)
{
    QListWidgetItem* item = m_list->item(row);
    if (!item || !item->data(kUnnamedRole).toBool())
        return -1;
    const QSignalBlocker quiet(m_list->model());
    const QString text = rowText(m_shown.at(row));
    item->setText(text);
    item->setData(kUnnamedRole, QVariant());
    --m_unnamed;
    return text.contains(QLatin1Char('\n')) ? 1 : 0;
}

// The row height changes when the first row with an artist line comes or
// the last one goes.
void QueuePanel::setTwoLineRows(int count)
{
    const bool changed = (count > 0) != (m_twoLineRows > 0);
    m_twoLineRows = count;
    if (changed)
        m_list->doItemsLayout();
}

void QueuePanel::decorateRow(int row, bool current)
{
    QListWidgetItem* item = m_list->item(row);
    if (!item)
        return;
    if (!current) {
        item->setIcon(m_musicIcon);
        item->setData(Qt::ForegroundRole, QVariant());
        item->setData(Qt::FontRole, QVariant());
        return;
    }
    item->setIcon(Icons::icon(QStringLiteral("play"), kCyan, kCyan));
    item->setForeground(kCyan);
    QFont font = item->font();
    font.setWeight(QFont::Bold);
    item->setFont(font);
}

void QueuePanel::showCount()
{
    m_count->setText(m_shown.size() == 1 ? QStringLiteral("1 item") : L("%1 itens", "%1 items").arg(m_shown.size()));
}

// The panel opens at the playing row.
void QueuePanel::scrollToCurrent()
{
    if (QListWidgetItem* item = m_list->item(m_shownPos))
        m_list->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void QueuePanel::dropCurrentAt(const QPoint& pos)
{
    moveCurrentTo(m_list, m_core, pos);
}

void QueuePanel::showRowMenu(const QPoint& pos)
{
    QListWidgetItem* item = m_list->itemAt(pos);
    if (!item)
        return;
    const int row = m_list->row(item);
    QMenu menu;
    connect(menu.addAction(Icons::icon(QStringLiteral("play")), L("Tocar agora", "Play now")), &QAction::triggered,
            this, [this, row] { m_core->playIndex(row); });
    const int current = m_core->playlistPos();
    if (current >= 0 && current != row) {
        connect(menu.addAction(Icons::icon(QStringLiteral("next")), L("Tocar em seguida", "Play next")),
                &QAction::triggered, this, [this, row] { m_core->moveIndex(row, m_core->playlistPos() + 1); });
    }
    connect(menu.addAction(Icons::icon(QStringLiteral("x")), L("Remover da fila", "Remove from queue")),
            &QAction::triggered, this, [this, row] { m_core->removeIndex(row); });
    menu.exec(m_list->viewport()->mapToGlobal(pos));
}
