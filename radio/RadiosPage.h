#pragma once

#include <QWidget>

class Host;

// Internet radio and TV: the public directory, saved stations and IPTV lists.
class RadiosPage : public QWidget
{
    Q_OBJECT
public:
    explicit RadiosPage(Host* host, QWidget* parent = nullptr);

private:
    Host* m_host;
};
