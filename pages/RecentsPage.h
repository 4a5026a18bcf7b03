#pragma once

#include <QWidget>

class CardView;
class ElidedLabel;
class Host;
class QComboBox;
class QPushButton;
class QStackedWidget;
class QTabBar;
struct HistoryItem;
class QStandardItem;

// The play history, newest first, in one tab per kind, with where each file
// stopped.
class RecentsPage : public QWidget
{
    Q_OBJECT
public:
    explicit RecentsPage(Host* host, QWidget* parent = nullptr);

    // Refills the current tab's list from the database.
    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString currentKind() const;
    QStandardItem* makeRow(const HistoryItem& entry, const QString& kind) const;
    void showMenu(const QModelIndex& index, const QPoint& globalPos);
    void clearTab();

    Host* m_host;
    ElidedLabel* m_title = nullptr;
    QPushButton* m_clear = nullptr;
    QTabBar* m_tabs = nullptr;
    QComboBox* m_tabPicker = nullptr;
    CardView* m_view = nullptr;
    QStackedWidget* m_stack = nullptr;
};
