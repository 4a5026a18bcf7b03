#pragma once

#include <QWidget>

class Host;

// The library's videos as a grid of cards.
class VideosPage : public QWidget
{
    Q_OBJECT
public:
    explicit VideosPage(Host* host, QWidget* parent = nullptr);

private:
    Host* m_host;
};
