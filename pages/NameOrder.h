#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QList>
#include <QString>

// The order of names shown to the user: the collation of the user's locale,
// as QString::localeAwareCompare gives it (case and accents count, digits are
// plain characters). The C/POSIX locale's collation is bare code-point order
// ("Zebra" before "apple"), so there English rules stand in.
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
    QCollator m_collator;
};
