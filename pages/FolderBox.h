#pragma once

#include <QGroupBox>
#include <QString>

class QListWidget;

// The list of library folders of one kind ("audio" or "video") with Add,
// Remove and Rescan. The list itself belongs to Library; the box only shows
// it, with the platform's separators, and refills whenever it changes.
class FolderBox : public QGroupBox
{
    Q_OBJECT
public:
    // dialogParent: the page the folder chooser opens over.
    FolderBox(const QString& kind, const QString& title, QWidget* dialogParent);

    QListWidget* list() const { return m_list; }

private:
    void refill();
    void addFolder();
    void removeFolder();

    QString m_kind;
    QWidget* m_dialogParent;
    QListWidget* m_list;
};
