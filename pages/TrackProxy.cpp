#include "TrackProxy.h"

#include "Lang.h"
#include "NameOrder.h"
#include "PageRoles.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

// Joins the folded texts of one row; no search text can hold this character,
// so no match spans two columns.
const QChar kColumnBreak(QChar::Null);

// The pause before the first warm-up step: the table paints first.
constexpr int kWarmUpDelayMs = 150;

}  // namespace

TrackProxy::TrackProxy(QObject* parent)
    : QSortFilterProxyModel(parent), m_noAlbum(L("Sem álbum", "No album").toLower())
{
}

void TrackProxy::refilter()
{
    invalidate();
}

void TrackProxy::setSourceModel(QAbstractItemModel* model)
{
    dropPrepared();
    disconnect(m_cellsChanged);
    // Connected ahead of the base class, so that a changed cell is read
    // again before the proxy sorts and filters its row anew.
    if (model)
        m_cellsChanged = connect(model, &QAbstractItemModel::dataChanged, this, &TrackProxy::dropColumns);
    QSortFilterProxyModel::setSourceModel(model);
    m_warmStep = 0;
    if (model && model->rowCount() > 0 && !m_warmPending) {
        m_warmPending = true;
        QTimer::singleShot(kWarmUpDelayMs, this, &TrackProxy::warmUp);
    }
}

void TrackProxy::dropColumns(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    const int last = std::min(kColumns - 1, bottomRight.column());
    for (int c = std::max(0, topLeft.column()); c <= last; ++c) {
        m_numbers[c].clear();
        m_ranks[c].clear();
        if (c >= 1 && c <= 4) {
            m_text[c - 1].clear();
            m_folded.clear();
        }
        if (c == 3) {
            m_albumsLower.clear();
            m_creditsLower.clear();
            m_creditRanks.clear();
        }
        if (c == 0) {
            m_paths.clear();
            m_folders.clear();
        }
    }
}

void TrackProxy::warmUp()
{
    m_warmPending = false;
    if (!sourceModel())
        return;
    // One column per step keeps each pause of the event loop short.
    switch (m_warmStep++) {
    case 0: folded(); break;
    case 1: ranks(1); break;
    case 2: ranks(3); break;
    case 3: ranks(4); break;
    case 4: numbers(0), numbers(5), numbers(6); break;
    case 5: paths(); break;
    case 6: creditRanks(); break;
    default: return;
    }
    m_warmPending = true;
    QTimer::singleShot(0, this, &TrackProxy::warmUp);
}

void TrackProxy::dropPrepared()
{
    for (QStringList& column : m_text)
        column.clear();
    m_folded.clear();
    m_folders.clear();
    m_paths.clear();
    m_albumsLower.clear();
    m_creditsLower.clear();
    m_creditRanks.clear();
    for (QList<double>& column : m_numbers)
        column.clear();
    for (QList<int>& column : m_ranks)
        column.clear();
    m_rows = -1;
}

bool TrackProxy::prepared() const
{
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    if (m_rows == rows)
        return true;
    const_cast<TrackProxy*>(this)->dropPrepared();
    m_rows = rows;
    return false;
}

const QStringList& TrackProxy::texts(int column) const
{
    QStringList& text = m_text[column - 1];
    if (prepared() && text.size() == m_rows)
        return text;
    text.clear();
    text.reserve(m_rows);
    for (int r = 0; r < m_rows; ++r)
        text.append(sourceModel()->index(r, column).data().toString());
    return text;
}

const QStringList& TrackProxy::folded() const
{
    if (prepared() && m_folded.size() == m_rows)
        return m_folded;
    m_folded.clear();
    m_folded.reserve(m_rows);
    const QStringList* columns[4] = {&texts(1), &texts(2), &texts(3), &texts(4)};
    QString joined;
    for (int r = 0; r < m_rows; ++r) {
        joined.clear();
        for (int c = 0; c < 4; ++c) {
            if (c > 0)
                joined.append(kColumnBreak);
            joined.append(columns[c]->at(r));
        }
        m_folded.append(joined.toCaseFolded());
    }
    return m_folded;
}

const QList<double>& TrackProxy::numbers(int column) const
{
    QList<double>& values = m_numbers[column];
    if (prepared() && values.size() == m_rows)
        return values;
    values.clear();
    values.reserve(m_rows);
    // The # column orders by disc first: no album has a million tracks.
    for (int r = 0; r < m_rows; ++r) {
        const QModelIndex cell = sourceModel()->index(r, column);
        const double disc = column == 0 ? cell.data(DiscRole).toDouble() : 0;
        values.append(disc * 1e6 + cell.data(SortKeyRole).toDouble());
    }
    return values;
}

const QList<int>& TrackProxy::ranks(int column) const
{
    QList<int>& rank = m_ranks[column];
    if (prepared() && rank.size() == m_rows)
        return rank;
    rank = NameOrder().ranks(column == 3 ? albumsLower() : texts(column));
    return rank;
}

const QStringList& TrackProxy::folders() const
{
    if (prepared() && m_folders.size() == m_rows)
        return m_folders;
    const QStringList& path = paths();
    m_folders.clear();
    m_folders.reserve(m_rows);
    for (int r = 0; r < m_rows; ++r)
        m_folders.append(QFileInfo(path.at(r)).absolutePath());
    return m_folders;
}

const QStringList& TrackProxy::paths() const
{
    if (prepared() && m_paths.size() == m_rows)
        return m_paths;
    m_paths.clear();
    m_paths.reserve(m_rows);
    for (int r = 0; r < m_rows; ++r)
        m_paths.append(sourceModel()->index(r, 0).data(PathRole).toString());
    return m_paths;
}

const QStringList& TrackProxy::albumsLower() const
{
    if (prepared() && m_albumsLower.size() == m_rows)
        return m_albumsLower;
    const QStringList& album = texts(3);
    m_albumsLower.clear();
    m_albumsLower.reserve(m_rows);
    for (const QString& name : album)
        m_albumsLower.append(name.toLower());
    return m_albumsLower;
}

const QStringList& TrackProxy::creditsLower() const
{
    if (prepared() && m_creditsLower.size() == m_rows)
        return m_creditsLower;
    m_creditsLower.clear();
    m_creditsLower.reserve(m_rows);
    for (int r = 0; r < m_rows; ++r)
        m_creditsLower.append(sourceModel()->index(r, 3).data(CreditRole).toString().toLower());
    return m_creditsLower;
}

const QList<int>& TrackProxy::creditRanks() const
{
    if (prepared() && m_creditRanks.size() == m_rows)
        return m_creditRanks;
    m_creditRanks = NameOrder().ranks(creditsLower());
    return m_creditRanks;
}

QString TrackProxy::fieldValue(int row) const
{
    if (filterField == QLatin1String("artist"))
        return texts(2).at(row);
    if (filterField == QLatin1String("album")) {
        const QString& album = albumsLower().at(row);
        return album.isEmpty() ? m_noAlbum : album;
    }
    if (filterField == QLatin1String("genre"))
        return texts(4).at(row);
    return folders().at(row);
}

bool TrackProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (sourceParent.isValid() || (filterField.isEmpty() && searchText.isEmpty()))
        return true;
    prepared();
    if (sourceRow >= m_rows)
        return true;
    if (!filterField.isEmpty() && fieldValue(sourceRow) != wantedValue())
        return false;
    if (filterCredit && filterField == QLatin1String("album") && creditsLower().at(sourceRow) != *filterCredit)
        return false;
    if (searchText.isEmpty())
        return true;
    if (m_foldedFor != searchText) {
        m_foldedFor = searchText;
        m_foldedSearch = searchText.toCaseFolded();
    }
    return folded().at(sourceRow).contains(m_foldedSearch);
}

const QString& TrackProxy::wantedValue() const
{
    if (filterField != QLatin1String("album"))
        return filterValue;
    if (m_wanted.isEmpty() || m_wantedFor != filterValue) {
        m_wantedFor = filterValue;
        m_wanted = filterValue.isEmpty() ? m_noAlbum : filterValue.toLower();
    }
    return m_wanted;
}

// Below 0 when row l sorts first in the column, above 0 when row r does.
int TrackProxy::compareIn(int column, int l, int r) const
{
    if (column >= 1 && column <= 4) {
        const QList<int>& rank = ranks(column);
        return l < rank.size() && r < rank.size() ? rank.at(l) - rank.at(r) : 0;
    }
    const QList<double>& number = numbers(column);
    if (l >= number.size() || r >= number.size())
        return 0;
    return number.at(l) < number.at(r) ? -1 : number.at(r) < number.at(l) ? 1 : 0;
}

int TrackProxy::compareAlbums(int l, int r) const
{
    const int order = compareIn(3, l, r);
    if (order != 0)
        return order;
    const QList<int>& credit = creditRanks();
    return l < credit.size() && r < credit.size() ? credit.at(l) - credit.at(r) : 0;
}

// Album by album, in track order, then by title in name order; the path
// only for rows alike in all of these.
bool TrackProxy::tieBreak(int l, int r) const
{
    int order = compareAlbums(l, r);
    if (order == 0)
        order = compareIn(0, l, r);
    if (order == 0)
        order = compareIn(1, l, r);
    if (order != 0)
        return order < 0;
    const QStringList& path = paths();
    return l < path.size() && r < path.size() && path.at(l) < path.at(r);
}

bool TrackProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int column = left.column();
    const int l = left.row();
    const int r = right.row();
    if (column < 0 || column >= kColumns)
        return false;
    const int order = compareIn(column, l, r);
    if (order != 0)
        return order < 0;
    // A descending sort reverses the comparison; the ties keep running
    // album by album, in track order.
    return sortOrder() == Qt::DescendingOrder ? tieBreak(r, l) : tieBreak(l, r);
}
