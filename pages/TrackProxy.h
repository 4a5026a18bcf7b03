#pragma once

#include <QList>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <optional>

// The music page's song table between its model and its view: an exact
// filter on one field, a search over the name columns and a sort that reads
// numbers for the numeric columns and collates the texts of the others.
// Albums are told apart as the album cards group them: by title and by the
// album key of CreditRole (the artist they are credited to, and the folder
// of an album of various artists), regardless of letter case, with no album
// and the no-album label as one. Rows that tie
// in the sorted column come album by album, disc by disc in track order,
// then by path; the # column itself sorts by disc, then track.
//
// The texts, numbers and collation ranks it filters and sorts by are read
// from the source model once and kept until the source model is set again:
// the page fills its model detached and then sets it. They are made when
// first needed, or earlier, a column at a time, while the event loop idles,
// so that the first keystroke or header click after a refill finds them.
class TrackProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TrackProxy(QObject* parent = nullptr);

    QString filterField;  // "artist", "album", "genre", "folder"; empty: no exact filter
    QString filterValue;  // what that field must equal
    QString searchText;   // trimmed search; empty: no search
    // With the album filter: the lower-cased key of the album among those
    // of its title (CreditRole); none: the title alone.
    std::optional<QString> filterCredit;

    // Applies changed filter members. Re-maps every row at once:
    // invalidateFilter() takes rows out range by range, which on a large
    // library costs seconds where this costs milliseconds.
    void refilter();

    void setSourceModel(QAbstractItemModel* model) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    void dropColumns(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void warmUp();
    void dropPrepared();
    bool prepared() const;
    const QStringList& texts(int column) const;
    const QStringList& folded() const;
    const QList<double>& numbers(int column) const;
    const QList<int>& ranks(int column) const;
    const QStringList& folders() const;
    const QStringList& paths() const;
    const QStringList& albumsLower() const;
    const QStringList& creditsLower() const;
    const QList<int>& creditRanks() const;
    QString fieldValue(int row) const;
    const QString& wantedValue() const;
    int compareIn(int column, int l, int r) const;
    int compareAlbums(int l, int r) const;
    bool tieBreak(int l, int r) const;

    // Per source row: the display texts of columns 1-4 (Title, Artist,
    // Album, Genre) and their case-folded search text.
    mutable QStringList m_text[4];
    mutable QStringList m_folded;
    mutable QStringList m_folders;
    mutable QStringList m_paths;
    mutable QStringList m_albumsLower;  // per row: the album as the album cards group it
    mutable QStringList m_creditsLower; // per row: the album key (CreditRole)
    mutable QList<int> m_creditRanks;
    static constexpr int kColumns = 7;
    mutable QList<double> m_numbers[kColumns];  // per column: SortKeyRole of the numeric ones
    mutable QList<int> m_ranks[kColumns];       // per column: name order of the text ones
    mutable QString m_foldedFor;     // searchText as last folded
    mutable QString m_foldedSearch;
    mutable QString m_wantedFor;     // filterValue as last turned into wantedValue()
    mutable QString m_wanted;
    mutable int m_rows = -1;         // source rows the prepared data covers
    const QString m_noAlbum;         // the no-album label, lower-cased
    QMetaObject::Connection m_cellsChanged;
    int m_warmStep = 0;              // next step of warmUp()
    bool m_warmPending = false;
};
