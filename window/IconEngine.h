#pragma once

#include <QColor>
#include <QHash>
#include <QIconEngine>
#include <QPixmap>
#include <QString>

// Draws one line icon for each size, mode and state the first time it is
// asked for, instead of rendering every variant up front. The colours:
// normal when off, on when checked, white when hovered or selected (off)
// unless normal and on are one colour, a dim blue-grey when disabled.
class IconEngine : public QIconEngine
{
public:
    IconEngine(const QString& name, const QColor& normal, const QColor& on);

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString iconName() override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    QColor colorFor(QIcon::Mode mode, QIcon::State state) const;

    QString m_name;
    QColor m_normal;
    QColor m_on;
    QHash<quint64, QPixmap> m_cache;
};
