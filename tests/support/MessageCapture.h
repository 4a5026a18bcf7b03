#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the Qt messages of one type while it lives, and passes every
// message on to the handler that was installed before it. Create it inside
// the test run (initTestCase or later): Qt Test installs its own handler
// when the run starts.
class MessageCapture
{
public:
    explicit MessageCapture(QtMsgType type);
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    QStringList& messages() { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg);

    QtMsgType m_type;
    QStringList m_messages;
    QtMessageHandler m_previous;
};
