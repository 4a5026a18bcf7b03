#include "ImageDialog.h"

#include "DialogFrame.h"
#include "Lang.h"

ImageDialog::ImageDialog(PlayerCore*, QWidget* parent) : QDialog(parent)
{
    DialogFrame::addCloseRow(this, DialogFrame::setUp(this, L("Ajustes de imagem", "Picture adjustments"), 420));
}
