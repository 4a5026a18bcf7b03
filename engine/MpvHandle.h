#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

struct mpv_handle;
struct mpv_node;

// A copyable, non-owning view of one libmpv instance. Whoever created the
// instance destroys it. On a null handle every operation is a silent no-op
// returning -1, the caller's default, a null text or an invalid variant.
class MpvHandle
{
public:
    MpvHandle() = default;
    explicit MpvHandle(mpv_handle* h) : m_h(h) {}

    mpv_handle* raw() const { return m_h; }
    bool isNull() const { return m_h == nullptr; }

    int setDouble(const char* name, double value) const;
    int setFlag(const char* name, bool value) const;
    int setInt(const char* name, long long value) const;
    int set(const char* name, const QString& value) const;
    int option(const char* name, const QString& value) const;

    double getDouble(const char* name, double def) const;
    long long getInt(const char* name, long long def) const;
    bool getFlag(const char* name, bool def) const;
    QString getString(const char* name) const;
    // A text that files and streams bring (a title): one line of bounded
    // length, of which only the head is decoded (see TextCleaner).
    QString getLine(const char* name) const;
    // lines: texts of the node as getLine gives them, map keys too.
    QVariant getNode(const char* name, bool lines = false) const;

    // The value comes later as a get-property reply with this user data.
    void getAsync(const char* name, int format, quint64 userData) const;

    int command(const QStringList& args) const;
    void commandAsync(const QStringList& args, quint64 userData) const;

private:
    mpv_handle* m_h = nullptr;
};

// The shared body of command and commandAsync; failures are logged.
int runCommand(mpv_handle* h, const QStringList& args, bool async, quint64 userData);
// A synchronous command whose failure the caller judges (and logs) itself.
int runCommandUnlogged(mpv_handle* h, const QStringList& args);
// The warning line of a failed command.
void logCommandFailure(const QStringList& args, int code);

// libmpv node values as Qt variants (maps, lists, texts, numbers, flags);
// lines: texts as TextCleaner lines, only their heads decoded.
QVariant mpvNodeToVariant(const mpv_node* node, bool lines = false);
