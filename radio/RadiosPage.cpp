#include "RadiosPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Lang.h"
#include "Widgets.h"

RadiosPage::RadiosPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->addWidget(makeTitle(L("Rádios e TV", "Radio & TV"), "PageTitle"));
    const QString title = L("Nenhuma rádio salva", "No saved radios yet");
    const QString text = L("As rádios e listas de TV que você guardar aparecem aqui.",
                           "The radios and TV lists you keep show up here.");
    layout->addWidget(emptyState(QStringLiteral("radio"), title, text), 1);
}
