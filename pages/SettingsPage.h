#pragma once

#include <QString>
#include <QWidget>

class Host;
class PlayerCore;
class QComboBox;
class QGroupBox;

// Every setting of the program, the library folders and the shortcuts. Each
// control shows the stored value (or its default) and writes its key the
// moment the user changes it; some also hand the value to the playback core
// at once. The page is built once and never refreshed.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsPage(Host* host, QWidget* parent = nullptr);

    // Refills the output-device list from the core and selects the stored one.
    void refreshAudioDevices();

    // The About box's text: version, maker, product page and run-time versions.
    static QString aboutText();

signals:
    void checkUpdatesRequested();
    void subtitleStyleRequested();

private:
    // SettingsPageGroups.cpp
    QGroupBox* generalGroup();
    QGroupBox* playbackGroup(PlayerCore* core);
    QGroupBox* audioGroup(PlayerCore* core);
    QGroupBox* subtitlesGroup(PlayerCore* core);
    QGroupBox* historyGroup();

    QWidget* libraryBox(const QString& kind, const QString& title);
    QWidget* shortcutsBox();
    QGroupBox* aboutGroup();
    void clearHistory();
    static void openLogFolder();

    Host* m_host;
    QComboBox* m_devices = nullptr;
};
