#pragma once

#include <QWidget>

class Host;
class QComboBox;

// Every setting of the program, the library folders and the shortcuts.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsPage(Host* host, QWidget* parent = nullptr);

    // Refills the output-device list from the core and selects the stored one.
    void refreshAudioDevices();

signals:
    void checkUpdatesRequested();
    void subtitleStyleRequested();

private:
    QWidget* buildControls();

    Host* m_host;
    QComboBox* m_devices;
};
