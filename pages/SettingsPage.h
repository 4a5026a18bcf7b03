#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class Host;
class PlayerCore;
class QCheckBox;
class QBoxLayout;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The page widths below which the forms stack their rows, and below
    // which their labels wrap.
    static constexpr int kNarrow = 700;
    static constexpr int kNarrowest = 480;
    // What a group box and its form take around a control.
    static constexpr int kBoxPadding = 40;

    struct WideButton
    {
        QPushButton* button;
        QString text;
        int full;  // width with the text, measured once styled
    };

    // SettingsPageGroups.cpp
    QGroupBox* generalGroup();
    QGroupBox* playbackGroup(PlayerCore* core);
    QGroupBox* audioGroup(PlayerCore* core);
    QCheckBox* normalizeBox(PlayerCore* core);
    QGroupBox* subtitlesGroup(PlayerCore* core);
    QGroupBox* historyGroup();

    QWidget* libraryBox(const QString& kind, const QString& title);
    QWidget* shortcutsBox();
    QGroupBox* aboutGroup();
    void clearHistory();
    void fitButtons();
    static void openLogFolder();

    Host* m_host;
    QComboBox* m_devices = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_inner = nullptr;
    QList<WideButton> m_buttons;
    QBoxLayout* m_about = nullptr;
    QList<QFormLayout*> m_forms;
    QWidget* m_wheelField = nullptr;  // the field the user gave the focus
    int m_fit = 0;
};
