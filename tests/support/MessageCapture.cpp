#include "MessageCapture.h"

namespace {
MessageCapture* g_active = nullptr;
}

MessageCapture::MessageCapture(QtMsgType type) : m_type(type)
{
    g_active = this;
    m_previous = qInstallMessageHandler(handler);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(m_previous);
    g_active = nullptr;
}

void MessageCapture::handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (!g_active)
        return;
    if (type == g_active->m_type)
        g_active->m_messages << msg;
    if (g_active->m_previous)
        g_active->m_previous(type, ctx, msg);
}
