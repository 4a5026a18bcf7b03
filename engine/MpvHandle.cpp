#include "MpvHandle.h"

#include "MpvApi.h"
#include "TextCleaner.h"

#include <QDebug>

#include <vector>

namespace {

// libmpv takes a null-terminated array of UTF-8 texts; an empty argument is
// an empty text, never a null pointer.
int sendCommand(mpv_handle* h, const QStringList& args, bool async, quint64 userData)
{
    std::vector<QByteArray> utf8;
    utf8.reserve(args.size());
    std::vector<const char*> argv;
    argv.reserve(args.size() + 1);
    for (const QString& a : args) {
        utf8.push_back(a.toUtf8());
        argv.push_back(utf8.back().constData());
    }
    argv.push_back(nullptr);
    return async ? mpv()->command_async(h, userData, argv.data()) : mpv()->command(h, argv.data());
}

}  // namespace

int MpvHandle::setDouble(const char* name, double value) const
{
    if (!m_h)
        return -1;
    return mpv()->set_property(m_h, name, MPV_FORMAT_DOUBLE, &value);
}

int MpvHandle::setFlag(const char* name, bool value) const
{
    if (!m_h)
        return -1;
    int flag = value ? 1 : 0;
    return mpv()->set_property(m_h, name, MPV_FORMAT_FLAG, &flag);
}

int MpvHandle::setInt(const char* name, long long value) const
{
    if (!m_h)
        return -1;
    int64_t v = value;
    return mpv()->set_property(m_h, name, MPV_FORMAT_INT64, &v);
}

int MpvHandle::set(const char* name, const QString& value) const
{
    if (!m_h)
        return -1;
    return mpv()->set_property_string(m_h, name, value.toUtf8().constData());
}

int MpvHandle::option(const char* name, const QString& value) const
{
    if (!m_h)
        return -1;
    const int code = mpv()->set_option_string(m_h, name, value.toUtf8().constData());
    if (code < 0)
        qWarning() << "mpv opcao recusada" << qPrintable(QString::fromUtf8(name)) << value
                   << mpv()->error_string(code);
    return code;
}

double MpvHandle::getDouble(const char* name, double def) const
{
    double v = 0;
    if (!m_h || mpv()->get_property(m_h, name, MPV_FORMAT_DOUBLE, &v) < 0)
        return def;
    return v;
}

long long MpvHandle::getInt(const char* name, long long def) const
{
    int64_t v = 0;
    if (!m_h || mpv()->get_property(m_h, name, MPV_FORMAT_INT64, &v) < 0)
        return def;
    return v;
}

bool MpvHandle::getFlag(const char* name, bool def) const
{
    int v = 0;
    if (!m_h || mpv()->get_property(m_h, name, MPV_FORMAT_FLAG, &v) < 0)
        return def;
    return v != 0;
}

QString MpvHandle::getString(const char* name) const
{
    if (!m_h)
        return QString();
    char* text = mpv()->get_property_string(m_h, name);
    if (!text)
        return QString();
    const QString result = QString::fromUtf8(text);
    mpv()->free(text);
    return result;
}

QString MpvHandle::getLine(const char* name) const
{
    char* text = nullptr;
    if (!m_h || mpv()->get_property(m_h, name, MPV_FORMAT_STRING, &text) < 0 || !text)
        return QString();
    const QString result = TextCleaner::line(text);
    mpv()->free(text);
    return result;
}

QVariant MpvHandle::getNode(const char* name, bool lines) const
{
    mpv_node node;
    if (!m_h || mpv()->get_property(m_h, name, MPV_FORMAT_NODE, &node) < 0)
        return QVariant();
    const QVariant result = mpvNodeToVariant(&node, lines);
    mpv()->free_node_contents(&node);
    return result;
}

void MpvHandle::getAsync(const char* name, int format, quint64 userData) const
{
    if (m_h)
        mpv()->get_property_async(m_h, userData, name, mpv_format(format));
}

int MpvHandle::command(const QStringList& args) const
{
    return runCommand(m_h, args, false, 0);
}

void MpvHandle::commandAsync(const QStringList& args, quint64 userData) const
{
    runCommand(m_h, args, true, userData);
}

int runCommand(mpv_handle* h, const QStringList& args, bool async, quint64 userData)
{
    if (!h)
        return -1;
    const int code = sendCommand(h, args, async, userData);
    if (code < 0)
        logCommandFailure(args, code);
    return code;
}

int runCommandUnlogged(mpv_handle* h, const QStringList& args)
{
    return h ? sendCommand(h, args, false, 0) : -1;
}

void logCommandFailure(const QStringList& args, int code)
{
    qWarning() << "mpv comando falhou" << args << mpv()->error_string(code);
}

QVariant mpvNodeToVariant(const mpv_node* node, bool lines)
{
    if (!node)
        return QVariant();
    const auto text = [lines](const char* s) {
        return lines ? TextCleaner::line(s) : QString::fromUtf8(s ? s : "");
    };
    switch (node->format) {
    case MPV_FORMAT_STRING:
    case MPV_FORMAT_OSD_STRING:
        return text(node->u.string);
    case MPV_FORMAT_FLAG:
        return node->u.flag != 0;
    case MPV_FORMAT_INT64:
        return qlonglong(node->u.int64);
    case MPV_FORMAT_DOUBLE:
        return node->u.double_;
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        const mpv_node_list* l = node->u.list;
        for (int i = 0; l && i < l->num; ++i)
            list.append(mpvNodeToVariant(&l->values[i], lines));
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        const mpv_node_list* l = node->u.list;
        for (int i = 0; l && i < l->num; ++i)
            map.insert(text(l->keys[i]), mpvNodeToVariant(&l->values[i], lines));
        return map;
    }
    default:
        return QVariant();
    }
}
