#include "NameOrder.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <vector>

namespace {

QLocale collationLocale()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

}  // namespace

NameOrder::NameOrder() : m_collator(collationLocale())
{
    m_collator.setNumericMode(true);
}

int NameOrder::compare(const QString& a, const QString& b) const
{
    return m_collator.compare(a, b);
}

QCollatorSortKey NameOrder::key(const QString& text) const
{
    return m_collator.sortKey(text);
}

QCollatorSortKey NameOrder::keptKey(const QString& text) const
{
    const auto kept = m_keptSlot.constFind(text);
    if (kept != m_keptSlot.cend())
        return m_keptKeys[size_t(kept.value())];
    return m_collator.sortKey(text);
}

QList<int> NameOrder::ranks(const QList<QString>& texts) const
{
    // Keys made for another language are of no use.
    const QLocale locale = collationLocale();
    if (m_collator.locale() != locale) {
        m_collator.setLocale(locale);
        m_collator.setNumericMode(true);
        m_keptSlot.clear();
        m_keptKeys.clear();
    }
    // Collate each distinct text once: a column of a music library repeats
    // the same artist, album and genre names many times over.
    QHash<QString, int> slotOf;
    std::vector<QCollatorSortKey> keys;
    QList<int> slotOfText;
    slotOfText.reserve(texts.size());
    for (const QString& text : texts) {
        auto it = slotOf.constFind(text);
        if (it == slotOf.constEnd()) {
            it = slotOf.insert(text, int(keys.size()));
            keys.push_back(keptKey(text));
        }
        slotOfText.append(it.value());
    }

    std::vector<int> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    std::vector<int> rankOfSlot(keys.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[size_t(order[i - 1])].compare(keys[size_t(order[i])]) < 0)
            ++rank;
        rankOfSlot[size_t(order[i])] = rank;
    }

    for (int& slot : slotOfText)
        slot = rankOfSlot[size_t(slot)];
    // Only this call's texts are kept: what a page no longer shows goes.
    m_keptSlot = std::move(slotOf);
    m_keptKeys = std::move(keys);
    return slotOfText;
}
