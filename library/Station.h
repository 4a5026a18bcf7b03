#pragma once

#include <QString>
#include <QtGlobal>

// One radio or IPTV station.
struct Station
{
    qint64 id = 0;          // below 1: not stored yet
    QString name;
    QString url;            // stream URL
    QString logo;           // image URL, may be empty
    QString tags;           // free text
    QString grp;            // "radio" for the user's own stations, else an imported list
    bool favorite = false;
};
