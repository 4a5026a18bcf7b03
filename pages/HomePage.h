#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

class CardView;
class Host;
class QBoxLayout;
class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The start page: a greeting, the three ways to open media, the update
// banner and three strips of cards from the history and the library.
class HomePage : public QWidget
{
    Q_OBJECT
public:
    explicit HomePage(Host* host, QWidget* parent = nullptr);

    // Refills the three strips from the database.
    void refresh();
    // Shows the banner announcing a newer version; url is where it downloads.
    void setUpdateBanner(const QString& version, const QString& notes, const QString& url);

    // The greeting for an hour of the local clock (0..23).
    static QString greeting(int hour);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitWidth(int width);
    void fitBanner(bool oneRow, bool withText);
    int fullWidth(QPushButton* button) const;
    void showText(QPushButton* button, bool on);
    QWidget* buildBanner();
    QWidget* buildHero();
    QWidget* buildOpenButtons();
    CardView* makeStrip(int cardWidth, bool wide);
    void connectStrip(CardView* strip, bool resume);
    void openUpdateUrl();
    void fillContinue();
    void fillPlayed();
    void fillAdded();

    Host* m_host;
    CardView* m_continue = nullptr;
    CardView* m_played = nullptr;
    CardView* m_added = nullptr;
    QWidget* m_continueSection = nullptr;
    QWidget* m_playedSection = nullptr;
    QWidget* m_addedSection = nullptr;
    QWidget* m_banner = nullptr;
    QLabel* m_bannerText = nullptr;
    QString m_updateUrl;
    QVBoxLayout* m_column = nullptr;  // the scrolled column of banner, hero and sections
    QBoxLayout* m_hero = nullptr;
    QLabel* m_logo = nullptr;
    QBoxLayout* m_openRow = nullptr;
    QList<QPushButton*> m_openButtons;
    QList<QPushButton*> m_shrinking;  // the sections' buttons
    QPushButton* m_download = nullptr;
    QHash<QPushButton*, QString> m_fullTexts;  // of the buttons that may show their icons only
    QGridLayout* m_bannerRow = nullptr;
    QLabel* m_bannerIcon = nullptr;
};
