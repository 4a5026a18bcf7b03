#include "SubtitleDialog.h"

#include "DialogFrame.h"
#include "Lang.h"

SubtitleDialog::SubtitleDialog(PlayerCore*, QWidget* parent) : QDialog(parent)
{
    DialogFrame::addCloseRow(this, DialogFrame::setUp(this, L("Legendas e sincronia", "Subtitles & sync"), 460));
}
