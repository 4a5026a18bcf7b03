#include "IconEngine.h"

#include "Icons.h"

#include <QPainter>

IconEngine::IconEngine(const QString& name, const QColor& normal, const QColor& on)
    : m_name(name), m_normal(normal), m_on(on)
{
}

QColor IconEngine::colorFor(QIcon::Mode mode, QIcon::State state) const
{
    if (mode == QIcon::Disabled)
        return QColor(QStringLiteral("#4b5d75"));
    if (state == QIcon::On)
        return m_on;
    // An icon made in one colour for both states keeps it everywhere.
    if (m_normal == m_on)
        return m_normal;
    if (mode == QIcon::Active || mode == QIcon::Selected)
        return QColor(QStringLiteral("#ffffff"));
    return m_normal;
}

QPixmap IconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const int side = qMax(1, qMin(size.width(), size.height()));
    const quint64 key = (quint64(side) << 8) | (quint64(mode) << 1) | quint64(state);
    auto hit = m_cache.constFind(key);
    if (hit != m_cache.constEnd())
        return *hit;
    const QPixmap pm = Icons::render(m_name, side, colorFor(mode, state));
    m_cache.insert(key, pm);
    return pm;
}

void IconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = pixmap(rect.size() * dpr, mode, state);
    const int side = qMin(rect.width(), rect.height());
    const QRect square(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
    painter->drawPixmap(square, pm);
}

QList<QSize> IconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return {QSize(16, 16), QSize(20, 20), QSize(24, 24), QSize(32, 32)};
}

// The drawings are the program's own, not names of the desktop's icon
// theme: with no name, exports such as the tray menu send the pictures.
QString IconEngine::iconName()
{
    return QString();
}

QString IconEngine::key() const
{
    return QStringLiteral("OrvelIconEngine");
}

QIconEngine* IconEngine::clone() const
{
    return new IconEngine(*this);
}
