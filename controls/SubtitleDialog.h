#pragma once

#include <QDialog>

class PlayerCore;

// The subtitle look (size, colours, outline, bold, height) and the subtitle
// and audio delays. It shows the engine's current values; style changes go
// to the engine at once and are remembered under "subStyle/", the delays go
// to the engine only.
class SubtitleDialog : public QDialog
{
    Q_OBJECT
public:
    SubtitleDialog(PlayerCore* core, QWidget* parent = nullptr);
};
