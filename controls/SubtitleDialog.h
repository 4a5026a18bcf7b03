#pragma once

#include <QDialog>

class PlayerCore;

// The subtitle look and the subtitle and audio delays.
class SubtitleDialog : public QDialog
{
    Q_OBJECT
public:
    SubtitleDialog(PlayerCore* core, QWidget* parent = nullptr);
};
