#include "ImageDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

ImageDialog::ImageDialog(PlayerCore*, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(L("Ajustes de imagem", "Picture adjustments"));
    setModal(true);
    Theme::darkTitleBar(this);
    setMinimumWidth(420);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(22, 18, 22, 18);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* close = makeButton(L("Fechar", "Close"), QString(), true);
    bottom->addWidget(close);
    root->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}
