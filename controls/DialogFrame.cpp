#include "DialogFrame.h"

#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

QVBoxLayout* DialogFrame::setUp(QDialog* dialog, const QString& title, int minimumWidth)
{
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    Theme::darkTitleBar(dialog);
    dialog->setMinimumWidth(minimumWidth);
    auto* root = new QVBoxLayout(dialog);
    root->setContentsMargins(22, 18, 22, 18);
    return root;
}

QHBoxLayout* DialogFrame::addCloseRow(QDialog* dialog, QVBoxLayout* root)
{
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* close = makeButton(L("Fechar", "Close"), QString(), true);
    bottom->addWidget(close);
    root->addLayout(bottom);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    return bottom;
}
