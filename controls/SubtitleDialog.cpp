#include "SubtitleDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

SubtitleDialog::SubtitleDialog(PlayerCore*, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(L("Legendas e sincronia", "Subtitles & sync"));
    setModal(true);
    Theme::darkTitleBar(this);
    setMinimumWidth(460);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(22, 18, 22, 18);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* close = makeButton(L("Fechar", "Close"), QString(), true);
    bottom->addWidget(close);
    root->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}
