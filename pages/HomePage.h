#pragma once

#include <QString>
#include <QWidget>

class Host;
class QLabel;

// The start page: a greeting, the three ways to open media and the update
// banner.
class HomePage : public QWidget
{
    Q_OBJECT
public:
    explicit HomePage(Host* host, QWidget* parent = nullptr);

    // Refills the page from the database.
    void refresh();
    // Shows the banner announcing a newer version; url is where it downloads.
    void setUpdateBanner(const QString& version, const QString& notes, const QString& url);

private:
    QWidget* buildBanner();
    QWidget* buildOpenButtons();

    Host* m_host;
    QWidget* m_banner;
    QLabel* m_bannerText;
    QString m_updateUrl;
};
