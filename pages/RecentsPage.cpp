#include "RecentsPage.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabBar>
#include <QVBoxLayout>
#include <QTextDocument>

#include "App.h"
#include "CardView.h"
#include "Database.h"
#include "ElidedLabel.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "Widgets.h"

namespace {
// The second line of a history row, before the date.
QString whereStopped(const HistoryItem& entry, const QString& kind)
{
    if (kind == QLatin1String("video") && entry.duration > 0) {
        if (entry.finished)
            return L("Assistido até o fim", "Watched to the end");
        return L("Parou em %1 de %2", "Stopped at %1 of %2")
            .arg(App::formatTime(entry.position), App::formatTime(entry.duration));
    }
    if (kind == QLatin1String("audio")) {
        const std::optional<MediaItem> media = Database::instance()->mediaByPath(entry.path);
        if (!media)
            return QString();
        QString line = media->displayArtist();
        if (!media->album.isEmpty())
            line += QStringLiteral(" · ") + media->album;
        return line;
    }
    return entry.path;
}
}  // namespace

// The clear button shows only its icon (the tool tip keeps the text) when
// the title and the whole button do not fit side by side; a list of the
// tabs' names stands in for the tabs when they do not fit.
void RecentsPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QString text = L("Limpar histórico", "Clear history");
    const int iconOnly = m_clear->sizeHint().width() - m_clear->fontMetrics().horizontalAdvance(m_clear->text());
    const int need = m_title->sizeHint().width() + iconOnly + m_clear->fontMetrics().horizontalAdvance(text) + 24;
    const QMargins margins = layout()->contentsMargins();
    const int room = width() - margins.left() - margins.right();
    const bool withText = room >= need;
    m_clear->setText(withText ? text : QString());
    m_clear->setToolTip(withText ? QString() : text);
    const bool narrow = room < m_tabs->sizeHint().width();
    m_tabs->setVisible(!narrow);
    m_tabPicker->setVisible(narrow);
}

RecentsPage::RecentsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 10);
    layout->setSpacing(12);
    auto* header = new QHBoxLayout;
    m_title = new ElidedLabel(L("Recentes", "Recent"));
    m_title->setObjectName(QStringLiteral("PageTitle"));
    header->addWidget(m_title, 1);
    QPushButton* clear = makeButton(L("Limpar histórico", "Clear history"), QStringLiteral("trash"));
    m_clear = clear;
    header->addWidget(clear);
    layout->addLayout(header);

    m_tabs = new QTabBar(this);
    m_tabs->setDrawBase(false);
    m_tabs->addTab(L("Vídeos assistidos", "Watched videos"));
    m_tabs->addTab(L("Músicas ouvidas", "Played music"));
    // A tab's text takes "&" for a mnemonic: "&&" shows it.
    m_tabs->addTab(L("Links e rádios", "Links && radios"));
    layout->addWidget(m_tabs, 0, Qt::AlignLeft);
    // Stands in for the tabs where they do not fit.
    m_tabPicker = new QComboBox(this);
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabPicker->addItem(m_tabs->tabText(i).replace(QStringLiteral("&&"), QStringLiteral("&")));
    m_tabPicker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_tabPicker->hide();
    layout->addWidget(m_tabPicker, 0, Qt::AlignLeft);

    m_view = new CardView(CardDelegate::List, true);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_view);
    m_stack->addWidget(emptyState(QStringLiteral("clock"), L("Nada por aqui ainda", "Nothing here yet"),
                                  L("Tudo o que você assistir ou ouvir aparece aqui, com o ponto onde parou.",
                                    "Everything you watch or listen to shows up here, with where you stopped.")));
    layout->addWidget(m_stack, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, &RecentsPage::refresh);
    connect(m_tabs, &QTabBar::currentChanged, m_tabPicker, &QComboBox::setCurrentIndex);
    connect(m_tabPicker, &QComboBox::activated, m_tabs, &QTabBar::setCurrentIndex);
    connect(m_view, &CardView::activatedPath, this,
            [this](const QModelIndex& index) { m_host->playResume(index.data(PathRole).toString()); });
    connect(m_view, &CardView::menuRequested, this, &RecentsPage::showMenu);
    connect(clear, &QPushButton::clicked, this, &RecentsPage::clearTab);
    connect(Database::instance(), &Database::historyChanged, this, [this] {
        if (isVisible())
            refresh();
    });
    refresh();
}

QString RecentsPage::currentKind() const
{
    switch (m_tabs->currentIndex()) {
    case 0:
        return QStringLiteral("video");
    case 1:
        return QStringLiteral("audio");
    default:
        return QStringLiteral("stream");
    }
}

QStandardItem* RecentsPage::makeRow(const HistoryItem& entry, const QString& kind) const
{
    auto* item = new QStandardItem(entry.displayTitle());
    item->setData(entry.path, PathRole);
    item->setData(kind, KindRole);
    if (kind == QLatin1String("video") && entry.duration > 0) {
        item->setData(entry.finished ? 1.0 : qMin(1.0, entry.position / entry.duration), ProgressRole);
        item->setData(QStringLiteral("hist"), ThumbTagRole);
        item->setData(entry.position, ThumbTimeRole);
        item->setData(App::formatTime(entry.duration), BadgeRole);
    }
    QString line = whereStopped(entry, kind) + QStringLiteral("   ·   ") + relativeDate(entry.last_played);
    if (!entry.path.contains(QStringLiteral("://")) && !QFile::exists(entry.path))
        line += L("   ·   arquivo não encontrado", "   ·   file not found");
    item->setData(line, SubtitleRole);
    item->setToolTip(Qt::convertFromPlainText(entry.path));   // a name with "<" is no markup
    return item;
}

void RecentsPage::refresh()
{
    const QString kind = currentKind();
    m_view->model->clear();
    for (const HistoryItem& entry : Database::instance()->history(kind, 300))
        m_view->model->appendRow(makeRow(entry, kind));
    m_stack->setCurrentIndex(m_view->model->rowCount() == 0 ? 1 : 0);
}

void RecentsPage::showMenu(const QModelIndex& index, const QPoint& globalPos)
{
    const QString path = index.data(PathRole).toString();
    auto* menu = new QMenu(this);
    menu->addAction(Icons::icon(QStringLiteral("play")), L("Continuar de onde parei", "Resume"), this,
                    [this, path] { m_host->playResume(path); });
    menu->addAction(Icons::icon(QStringLiteral("refresh")), L("Assistir do início", "Play from start"), this,
                    [this, path] { m_host->playFromStart(path); });
    menu->addAction(Icons::icon(QStringLiteral("x")), L("Remover do histórico", "Remove from history"), this,
                    [path] { Database::instance()->removeHistory(path); });
    m_host->showMediaMenu({path}, globalPos, menu);
}

void RecentsPage::clearTab()
{
    const QString kind = currentKind();
    const auto answer = QMessageBox::question(this, L("Limpar histórico", "Clear history"),
                                              L("Apagar o histórico desta aba? Os arquivos não são apagados.",
                                                "Clear the history of this tab? Your files are not deleted."),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        Database::instance()->clearHistory(kind);
}
