#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusVariant>
#include <QString>
#include <QVariantMap>

class Mpris;

// The properties interface of the MPRIS object, served for the other
// adaptors of the same object in place of Qt's own. Qt converts a written
// value to the property's type (the text "yes" to true, the integer 5 to the
// text "5"); here a value of any other D-Bus type than the property's is
// refused with an error, and the property is left as it was.
class MprisProperties : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // Qt describes the standard interface itself.
    Q_CLASSINFO("D-Bus Introspection", "")
public:
    explicit MprisProperties(Mpris* mpris);

public slots:
    QDBusVariant Get(const QString& interface, const QString& name);
    QVariantMap GetAll(const QString& interface);
    void Set(const QString& interface, const QString& name, const QDBusVariant& value);

private:
    // The adaptor serving the interface and the index of its property, or
    // a null adaptor after an error reply was set.
    QDBusAbstractAdaptor* find(const QString& interface, const QString& name, int* index);
    QList<QDBusAbstractAdaptor*> adaptors(const QString& interface) const;

    Mpris* m_mpris;
};
