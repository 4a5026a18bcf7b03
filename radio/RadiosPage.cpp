#include "RadiosPage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScrollArea>
#include <QResizeEvent>
#include <QStandardItemModel>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#include "CardView.h"
#include "Database.h"
#include "ElidedLabel.h"
#include "FitRowsDelegate.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "LogoDecoder.h"
#include "Widgets.h"

namespace {
constexpr int KeyData = Qt::UserRole + 2;
constexpr int GroupData = Qt::UserRole + 10;

QListWidgetItem* sectionItem(const QString& text, const QString& icon, const QString& key,
                             const QString& group = QString())
{
    auto* item = new QListWidgetItem(Icons::icon(icon, QColor("#2bd9fe"), QColor("#2bd9fe")), text);
    item->setData(KeyData, key);
    item->setData(GroupData, group);
    item->setToolTip(text);
    return item;
}

bool sameStation(const Station& a, const Station& b)
{
    return a.id == b.id && a.url == b.url && a.name == b.name;
}
}

RadiosPage::RadiosPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    m_net = new QNetworkAccessManager(this);
    m_logoDecoder = new LogoDecoder(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSidebar(), 0);
    layout->addWidget(buildMain(), 1);
    connectAll();
    refresh();
}

// The column keeps its width while it takes at most two fifths of the page;
// then it narrows, and a narrow column keeps the buttons' icons only (the
// tool tip has the text).
void RadiosPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_side->setFixedWidth(qMin(kSidebarWidth, width() * 2 / 5));
    const bool roomy = m_side->width() >= kSidebarWidth * 3 / 4;
    const QString texts[] = {L("Adicionar por link", "Add by link"), L("Importar lista IPTV", "Import IPTV list")};
    QPushButton* buttons[] = {m_add, m_import};
    for (int i = 0; i < 2; ++i)
        showButtonText(buttons[i], texts[i], roomy);
    fitShortPage();
}

// A short or narrow page gives up its spacing first; the search row then
// stacks its controls, and the column scrolls (never sideways) when even
// that is too tall.
void RadiosPage::fitShortPage()
{
    const bool shortPage = height() < kShortPage;
    m_side->layout()->setContentsMargins(16, shortPage ? 8 : 26, 16, shortPage ? 8 : 16);
    m_side->layout()->setSpacing(shortPage ? 4 : 10);
    const int mainWidth = width() - m_side->width();
    const int side = mainWidth < kNarrowMain ? 12 : 32;
    m_mainColumn->setContentsMargins(side, shortPage ? 8 : 26, side, shortPage ? 4 : 10);
    m_mainColumn->setSpacing(shortPage ? 6 : 12);
    m_searchRow->setDirection(mainWidth < kNarrowMain ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
}

QWidget* RadiosPage::buildSidebar()
{
    auto* column = new QWidget;
    column->setObjectName(QStringLiteral("SubSidebar"));
    column->setAttribute(Qt::WA_StyledBackground);
    column->setFixedWidth(kSidebarWidth);
    m_side = column;
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(16, 26, 16, 16);
    v->setSpacing(10);
    auto* title = new ElidedLabel(L("Rádios e TV", "Radio & TV"));
    title->setObjectName(QStringLiteral("PageTitle"));
    v->addWidget(title);
    auto* add = makeButton(L("Adicionar por link", "Add by link"), QStringLiteral("link"), true);
    auto* import = makeButton(L("Importar lista IPTV", "Import IPTV list"), QStringLiteral("upload"));
    m_add = add;
    m_import = import;
    connect(add, &QPushButton::clicked, this, &RadiosPage::addByLink);
    connect(import, &QPushButton::clicked, this, &RadiosPage::importDialog);
    v->addWidget(add);
    v->addWidget(import);
    m_sections = new QListWidget;
    m_sections->setIconSize(QSize(18, 18));
    m_sections->setItemDelegate(new FitRowsDelegate(m_sections));
    m_sections->setTextElideMode(Qt::ElideRight);
    m_sections->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sections->setStyleSheet(QStringLiteral(
        "QListWidget { border: none; background: transparent; } "
        "QListWidget::item { padding: 9px 8px; border-radius: 8px; }"
        "QListWidget::item:selected { background: #183049; }"));
    m_sections->setContextMenuPolicy(Qt::CustomContextMenu);
    v->addWidget(m_sections, 1);
    return column;
}

QWidget* RadiosPage::buildMain()
{
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* area = new QWidget;
    auto* v = new QVBoxLayout(area);
    m_mainColumn = v;
    v->setContentsMargins(32, 26, 32, 10);
    v->setSpacing(12);
    m_searchBar = new QWidget;
    auto* bar = new QHBoxLayout(m_searchBar);
    m_searchRow = bar;
    bar->setContentsMargins(0, 0, 0, 0);
    m_searchEdit = new QLineEdit;
    m_searchEdit->setPlaceholderText(L("Buscar rádio por nome, cidade ou estilo (ex.: sertanejo, jovem pan, rock)…",
                                       "Search radios by name, city or style…"));
    m_searchEdit->setClearButtonEnabled(true);
    m_countryBox = new QComboBox;
    m_countryBox->addItem(L("Brasil", "Brazil"), QStringLiteral("BR"));
    m_countryBox->addItem(QStringLiteral("Portugal"), QStringLiteral("PT"));
    m_countryBox->addItem(L("Estados Unidos", "United States"), QStringLiteral("US"));
    m_countryBox->addItem(L("Todos os países", "All countries"), QString());
    auto* go = makeButton(L("Buscar", "Search"), QStringLiteral("search"), true);
    connect(go, &QPushButton::clicked, this, &RadiosPage::search);
    bar->addWidget(m_searchEdit, 1);
    m_countryBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    bar->addWidget(m_countryBox);
    bar->addWidget(go);
    m_statusLabel = new QLabel;
    m_statusLabel->setObjectName(QStringLiteral("Muted"));
    m_statusLabel->setWordWrap(true);
    m_view = new CardView(CardDelegate::List, false);
    v->addWidget(m_searchBar);
    v->addWidget(m_statusLabel);
    m_view->setMinimumHeight(120);   // a few rows; a shorter page scrolls
    v->addWidget(m_view, 1);
    scroll->setWidget(area);
    return scroll;
}

void RadiosPage::connectAll()
{
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &RadiosPage::search);
    connect(m_countryBox, &QComboBox::currentIndexChanged, this, &RadiosPage::search);
    connect(m_sections, &QListWidget::currentRowChanged, this, &RadiosPage::selectSection);
    connect(m_view, &CardView::activatedPath, this, &RadiosPage::playIndex);
    connect(m_view, &CardView::menuRequested, this, &RadiosPage::openStationMenu);
    connect(m_sections, &QListWidget::customContextMenuRequested, this, &RadiosPage::openSectionMenu);
    connect(Database::instance(), &Database::stationsChanged, this, &RadiosPage::refresh);
    // Pictures come back from the decoder's workers; those for a page that
    // is gone go with its queue.
    connect(m_logoDecoder, &LogoDecoder::decoded, this, &RadiosPage::logoDecoded, Qt::QueuedConnection);
}

void RadiosPage::refresh()
{
    const int row = qMax(0, m_sections->currentRow());
    {
        const QSignalBlocker blocker(m_sections);
        m_sections->clear();
        m_sections->addItem(sectionItem(L("Descobrir rádios", "Discover radios"), QStringLiteral("globe"),
                                        QStringLiteral("discover")));
        m_sections->addItem(sectionItem(L("Minhas rádios", "My radios"), QStringLiteral("heart-filled"),
                                        QStringLiteral("mine")));
        const QStringList groups = Database::instance()->stationGroups();
        for (const QString& group : groups)
            m_sections->addItem(sectionItem(group, QStringLiteral("tv"), QStringLiteral("group"), group));
        m_sections->setCurrentRow(qMin(row, m_sections->count() - 1));
    }
    selectSection(m_sections->currentRow());
}

QString RadiosPage::currentKey() const
{
    const QListWidgetItem* item = m_sections->currentItem();
    return item ? item->data(KeyData).toString() : QString();
}

void RadiosPage::selectSection(int row)
{
    const QListWidgetItem* item = m_sections->item(row);
    if (!item)
        return;
    const QString key = item->data(KeyData).toString();
    m_searchBar->setVisible(key == QLatin1String("discover"));
    if (key == QLatin1String("mine")) {
        showMine();
    } else if (key != QLatin1String("discover")) {
        showGroup(item->data(GroupData).toString());
    } else if (m_found.isEmpty()) {
        search();
    } else {
        // Earlier directory results come back as they were, without a new request.
        setStatus(m_discoverStatus);
        showStations(m_found);
    }
}

void RadiosPage::showMine()
{
    const QList<Station> list = Database::instance()->stations(QStringLiteral("radio"));
    setStatus(list.isEmpty()
        ? L("Nenhuma rádio salva. Use \"Descobrir rádios\" e clique com o botão direito para salvar, "
            "ou adicione por link.",
            "No saved radios yet. Use Discover and right-click to save, or add by link.")
        : list.size() == 1 ? L("1 rádio", "1 radio") : L("%1 rádios", "%1 radios").arg(list.size()));
    showStations(list);
}

void RadiosPage::showGroup(const QString& group)
{
    const QList<Station> list = Database::instance()->stations(group);
    setStatus(channelCount(int(list.size())));
    showStations(list);
}

QString RadiosPage::channelCount(int count)
{
    return count == 1 ? L("1 canal", "1 channel") : L("%1 canais", "%1 channels").arg(count);
}

void RadiosPage::setStatus(const QString& text)
{
    m_statusLabel->setText(text);
}

void RadiosPage::showStations(const QList<Station>& list)
{
    m_stations = list;
    dropQueuedLogos();
    m_view->model->clear();
    QList<QStandardItem*> items;
    items.reserve(list.size());
    for (const Station& station : list) {
        auto* item = new QStandardItem(station.name);
        item->setData(station.url, PathRole);
        item->setData(QStringLiteral("stream"), KindRole);
        item->setData(station.tags.isEmpty() ? station.url : station.tags, SubtitleRole);
        item->setData(station.url, Qt::ToolTipRole);
        item->setEditable(false);
        items.append(item);
    }
    m_view->model->invisibleRootItem()->appendRows(items);
    for (int row = 0; row < list.size(); ++row) {
        if (!list.at(row).logo.isEmpty())
            loadLogo(items.at(row), list.at(row).logo);
    }
}

void RadiosPage::playIndex(const QModelIndex& index)
{
    const int row = index.row();
    if (row < 0 || row >= m_stations.size())
        return;
    playStation(m_stations.at(row), row);
}

// The whole shown list becomes the queue when the row still holds the
// station; a station whose row was rebuilt away plays alone.
void RadiosPage::playStation(const Station& station, int row)
{
    Database::instance()->ensureMedia(station.url, QStringLiteral("stream"), station.name);
    const bool inList = row >= 0 && row < m_stations.size() && sameStation(m_stations.at(row), station);
    QList<QString> urls;
    QList<QString> names;
    if (inList) {
        for (const Station& s : std::as_const(m_stations)) {
            urls.append(s.url);
            names.append(s.name);
        }
    } else {
        urls = {station.url};
        names = {station.name};
    }
    m_host->playFiles(urls, inList ? row : 0, names);
    m_host->toast(L("Conectando: ", "Connecting: ") + station.name);
}

void RadiosPage::openStationMenu(const QModelIndex& index, const QPoint& globalPos)
{
    const int row = index.row();
    if (row < 0 || row >= m_stations.size())
        return;
    const Station station = m_stations.at(row);
    // The menu is modal and the rows may be rebuilt while it is open: every
    // entry works on this copy, and runs once the menu has closed.
    std::function<void()> chosen;
    QMenu menu(this);
    auto add = [&](const QString& text, const char* icon, std::function<void()> run) {
        QAction* action = menu.addAction(Icons::icon(QString::fromLatin1(icon)), text);
        connect(action, &QAction::triggered, &menu, [&chosen, run] { chosen = run; });
    };
    add(L("Tocar", "Play"), "play", [=] { playStation(station, row); });
    if (station.id < 1) {
        add(L("Salvar nas favoritas", "Save to favorites"), "heart-filled", [=] { saveFromDirectory(station); });
    } else {
        const qint64 id = station.id;
        const bool fav = station.favorite;
        add(fav ? L("Tirar dos favoritos", "Unfavorite") : L("Favoritar", "Favorite"),
            fav ? "heart" : "heart-filled", [=] { Database::instance()->setStationFavorite(id, !fav); });
        add(L("Renomear", "Rename"), "edit", [=] { renameStation(station); });
        add(L("Excluir", "Delete"), "trash", [=] { Database::instance()->deleteStation(id); });
    }
    menu.exec(globalPos);
    if (chosen)
        chosen();
}

void RadiosPage::saveFromDirectory(Station station)
{
    station.favorite = true;
    station.grp = QStringLiteral("radio");
    if (!Database::instance()->hasStationUrl(station.url))
        Database::instance()->saveStation(station);
    m_host->toast(L("Rádio salva nas favoritas", "Radio saved to favorites"));
}

void RadiosPage::renameStation(Station station)
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, L("Renomear", "Rename"), L("Nome:", "Name:"),
                                               QLineEdit::Normal, station.name, &ok).trimmed();
    if (!ok || name.isEmpty())
        return;
    station.name = name;
    Database::instance()->saveStation(station);
}

void RadiosPage::openSectionMenu(const QPoint& pos)
{
    const QListWidgetItem* item = m_sections->itemAt(pos);
    if (!item || item->data(KeyData).toString() != QLatin1String("group"))
        return;
    const QString group = item->data(GroupData).toString();
    bool remove = false;
    QMenu menu(this);
    QAction* action = menu.addAction(Icons::icon(QStringLiteral("trash")), L("Remover lista", "Remove list"));
    connect(action, &QAction::triggered, &menu, [&remove] { remove = true; });
    menu.exec(m_sections->viewport()->mapToGlobal(pos));
    if (!remove)
        return;
    // The name comes from an imported file: shown as written, never as markup.
    QMessageBox box(QMessageBox::Question, L("Remover lista", "Remove list"),
                    L("Remover a lista \"%1\"?", "Remove list \"%1\"?").arg(group), QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setTextFormat(Qt::PlainText);
    if (box.exec() == QMessageBox::Yes)
        Database::instance()->deleteStationGroup(group);
}

void RadiosPage::addByLink()
{
    const QString title = L("Adicionar rádio ou canal", "Add radio or channel");
    bool ok = false;
    const QString link = QInputDialog::getText(this, title, L("Link do stream (http/https, m3u, m3u8):",
                                                              "Stream link (http/https, m3u, m3u8):"),
                                               QLineEdit::Normal, QString(), &ok).trimmed();
    if (!ok || link.isEmpty())
        return;
    // The host as the user reads it: Qt keeps the ACE form for names outside
    // its list of trusted top-level domains.
    const QString host = QUrl::fromAce(QUrl(link).host(QUrl::FullyEncoded).toLatin1(), QUrl::IgnoreIDNWhitelist);
    const QString name = QInputDialog::getText(this, title, L("Nome:", "Name:"), QLineEdit::Normal, host, &ok)
                             .trimmed();
    if (!ok)
        return;
    Station station;
    station.name = name.isEmpty() ? link : name;
    station.url = link;
    station.grp = QStringLiteral("radio");
    station.favorite = true;
    Database::instance()->saveStation(station);
    m_sections->setCurrentRow(1);
}

void RadiosPage::importDialog()
{
    const QString path = QFileDialog::getOpenFileName(this, L("Lista IPTV", "IPTV list"), QString(),
                                                      QStringLiteral("M3U (*.m3u *.m3u8)"));
    if (path.isEmpty())
        return;
    if (!importIptv(path))
        m_host->toast(L("Lista sem canais válidos", "No valid channels in list"));
}
