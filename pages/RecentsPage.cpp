#include "RecentsPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Lang.h"
#include "Widgets.h"

RecentsPage::RecentsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(L("Recentes", "Recent"), "PageTitle"));
    const QString title = L("Nada por aqui ainda", "Nothing here yet");
    const QString text = L("Tudo o que você assistir ou ouvir aparece aqui, com o ponto onde parou.",
                           "Everything you watch or listen to shows up here, with where you stopped.");
    layout->addWidget(emptyState(QStringLiteral("clock"), title, text), 1);
}

void RecentsPage::refresh()
{
}
