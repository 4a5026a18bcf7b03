#pragma once

#include <QWidget>

class Host;

// The play history, newest first, with where each file stopped.
class RecentsPage : public QWidget
{
    Q_OBJECT
public:
    explicit RecentsPage(Host* host, QWidget* parent = nullptr);

    // Refills the history list from the database.
    void refresh();

private:
    Host* m_host;
};
