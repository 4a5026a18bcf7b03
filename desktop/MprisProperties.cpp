#include "MprisProperties.h"

#include <QMetaProperty>

#include "Mpris.h"

namespace {
QString interfaceOf(const QObject* adaptor)
{
    const QMetaObject* meta = adaptor->metaObject();
    const int info = meta->indexOfClassInfo("D-Bus Interface");
    return info < 0 ? QString() : QString::fromLatin1(meta->classInfo(info).value());
}

// The adaptor's own properties, not those of QObject.
int propertyIndex(const QObject* adaptor, const QString& name)
{
    const int index = adaptor->metaObject()->indexOfProperty(name.toUtf8().constData());
    return index < QDBusAbstractAdaptor::staticMetaObject.propertyCount() ? -1 : index;
}
}  // namespace

MprisProperties::MprisProperties(Mpris* mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris)
{
}

// Every adaptor of the object but this one; with an interface name, only
// the one serving it.
QList<QDBusAbstractAdaptor*> MprisProperties::adaptors(const QString& interface) const
{
    QList<QDBusAbstractAdaptor*> out;
    const auto all = parent()->findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly);
    for (QDBusAbstractAdaptor* adaptor : all) {
        if (adaptor != this && (interface.isEmpty() || interfaceOf(adaptor) == interface))
            out.append(adaptor);
    }
    return out;
}

QDBusAbstractAdaptor* MprisProperties::find(const QString& interface, const QString& name, int* index)
{
    const QList<QDBusAbstractAdaptor*> candidates = adaptors(interface);
    if (candidates.isEmpty()) {
        m_mpris->refuseCall(QDBusError::UnknownInterface, QStringLiteral("No such interface: ") + interface);
        return nullptr;
    }
    for (QDBusAbstractAdaptor* adaptor : candidates) {
        *index = propertyIndex(adaptor, name);
        if (*index >= 0)
            return adaptor;
    }
    m_mpris->refuseCall(QDBusError::UnknownProperty, QStringLiteral("No such property: ") + name);
    return nullptr;
}

QDBusVariant MprisProperties::Get(const QString& interface, const QString& name)
{
    int index = -1;
    QDBusAbstractAdaptor* adaptor = find(interface, name, &index);
    return adaptor ? QDBusVariant(adaptor->metaObject()->property(index).read(adaptor)) : QDBusVariant();
}

QVariantMap MprisProperties::GetAll(const QString& interface)
{
    const QList<QDBusAbstractAdaptor*> candidates = adaptors(interface);
    if (candidates.isEmpty() && !interface.isEmpty())
        m_mpris->refuseCall(QDBusError::UnknownInterface, QStringLiteral("No such interface: ") + interface);
    QVariantMap out;
    for (QDBusAbstractAdaptor* adaptor : candidates) {
        const QMetaObject* meta = adaptor->metaObject();
        for (int i = QDBusAbstractAdaptor::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
            out.insert(QString::fromLatin1(meta->property(i).name()), meta->property(i).read(adaptor));
    }
    return out;
}

void MprisProperties::Set(const QString& interface, const QString& name, const QDBusVariant& value)
{
    int index = -1;
    QDBusAbstractAdaptor* adaptor = find(interface, name, &index);
    if (!adaptor)
        return;
    const QMetaProperty property = adaptor->metaObject()->property(index);
    if (!property.isWritable()) {
        m_mpris->refuseCall(QDBusError::PropertyReadOnly, QStringLiteral("Read-only property: ") + name);
        return;
    }
    QVariant written = value.variant();
    if (written.metaType() != property.metaType()) {
        m_mpris->refuseCall(QDBusError::InvalidArgs, QStringLiteral("Wrong type for property: ") + name);
        return;
    }
    property.write(adaptor, std::move(written));
}
