#include "DialogFrame.h"

#include "Lang.h"
#include "Theme.h"
#include "Widgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QVBoxLayout* DialogFrame::setUp(QDialog* dialog, const QString& title, int minimumWidth)
{
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    Theme::darkTitleBar(dialog);
    if (minimumWidth > 0)
        dialog->setMinimumWidth(minimumWidth);
    auto* root = new QVBoxLayout(dialog);
    root->setContentsMargins(22, 18, 22, 18);
    root->setSpacing(14);
    return root;
}

QLabel* DialogFrame::addHint(QVBoxLayout* root, const QString& text, bool wrap)
{
    auto* hint = new QLabel(text);
    hint->setObjectName(QStringLiteral("Muted"));
    hint->setWordWrap(wrap);
    root->addWidget(hint);
    return hint;
}

QPushButton* DialogFrame::addButtonRow(QDialog* dialog, QVBoxLayout* root, const QString& resetText)
{
    auto* bottom = new QHBoxLayout;
    QPushButton* reset = makeButton(resetText, QStringLiteral("refresh"), false);
    QPushButton* close = makeButton(L("Fechar", "Close"), QString(), true);
    bottom->addWidget(reset);
    bottom->addStretch();
    bottom->addWidget(close);
    root->addLayout(bottom);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
    return reset;
}
