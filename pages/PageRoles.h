#pragma once

#include "CardDelegate.h"

// Item data of the library pages besides the card roles, which the card
// delegate never reads.
enum PageRole {
    PathsRole = Qt::UserRole + 8,     // QStringList: every path a group item stands for
    KeyRole = Qt::UserRole + 10,      // the key or name of a group, list or section item
    CreditRole = Qt::UserRole + 11,   // which album of its title a song or card is (AlbumCredits::key)
    SortKeyRole = Qt::UserRole + 50,  // the number a formatted table cell sorts by
    DiscRole = Qt::UserRole + 51      // int: the disc a song is on, 0 when unknown
};
