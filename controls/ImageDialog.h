#pragma once

#include <QDialog>

class PlayerCore;

// Brightness, contrast, saturation, gamma and hue of the picture, from the
// engine's current values. Changes go to the engine at once and are never
// stored.
class ImageDialog : public QDialog
{
    Q_OBJECT
public:
    ImageDialog(PlayerCore* core, QWidget* parent = nullptr);
};
