#pragma once

#include <QDialog>

class PlayerCore;

// Brightness, contrast, saturation, gamma and hue of the picture.
class ImageDialog : public QDialog
{
    Q_OBJECT
public:
    ImageDialog(PlayerCore* core, QWidget* parent = nullptr);
};
