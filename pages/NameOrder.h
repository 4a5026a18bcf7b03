#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

// The order of names shown to the user: the collation of the user's locale,
// with case and accents counting after the letters and runs of digits read
// as numbers ("Episódio 2" before "Episódio 10"), as folders are opened. The
// C/POSIX locale's collation is bare code-point order ("Zebra" before
// "apple") and knows no numbers, so there English rules stand in.
//
// An order that is kept and asked again keeps the collation keys of the
// texts it ranked last, so that ranking mostly the same texts again collates
// only the new ones.
class NameOrder
{
public:
    NameOrder();  // for the current default locale

    int compare(const QString& a, const QString& b) const;
    QCollatorSortKey key(const QString& text) const;
    // For each text its place in the order: texts that compare equal share a
    // rank, and a smaller rank sorts first. Comparing ranks is far cheaper
    // than collating the texts again in every comparison of a sort.
    QList<int> ranks(const QList<QString>& texts) const;

private:
    QCollatorSortKey keptKey(const QString& text) const;

    mutable QCollator m_collator;  // follows a change of the default locale
    mutable QHash<QString, int> m_keptSlot;  // text: its place in m_keptKeys
    mutable std::vector<QCollatorSortKey> m_keptKeys;
};
