#include "SettingsPage.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include "App.h"
#include "Database.h"
#include "ElidedLabel.h"
#include "FolderBox.h"
#include "Host.h"
#include "Icons.h"
#include "Lang.h"
#include "PlayerCore.h"
#include "ShortcutsBox.h"
#include "WebAddresses.h"
#include "Widgets.h"

namespace {

// Labels above their controls or beside them; wrapping or on one line.
void stackRows(QFormLayout* form, bool stacked, bool wrapped)
{
    form->setRowWrapPolicy(stacked ? QFormLayout::WrapAllRows : QFormLayout::DontWrapRows);
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole);
        if (auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr)
            label->setWordWrap(wrapped);
    }
}

}  // namespace

SettingsPage::SettingsPage(Host* host, QWidget* parent) : QWidget(parent), m_host(host)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);   // Tab goes to the page's own controls
    outer->addWidget(scroll);
    m_scroll = scroll;
    auto* inner = new QWidget;
    inner->setMaximumWidth(980);
    auto* layout = new QVBoxLayout(inner);
    m_inner = layout;
    layout->setContentsMargins(32, 26, 32, 32);
    layout->setSpacing(14);

    auto* title = new ElidedLabel(L("Configurações", "Settings"));
    title->setObjectName(QStringLiteral("PageTitle"));
    layout->addWidget(title);
    PlayerCore* core = m_host->core();
    layout->addWidget(generalGroup());
    layout->addWidget(playbackGroup(core));
    layout->addWidget(audioGroup(core));
    layout->addWidget(subtitlesGroup(core));
    layout->addWidget(libraryBox(QStringLiteral("audio"), L("Pastas de música", "Music folders")));
    layout->addWidget(libraryBox(QStringLiteral("video"), L("Pastas de vídeo", "Video folders")));
    layout->addWidget(historyGroup());
    layout->addWidget(shortcutsBox());
    layout->addWidget(aboutGroup());
    layout->addStretch();
    scroll->setWidget(inner);
    // Combos ask for a few characters, not for their longest item, so that
    // a narrow window can still show them.
    for (QComboBox* combo : inner->findChildren<QComboBox*>()) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(8);
    }
    // The wheel scrolls the page; a spin box or a list changes by it only
    // once the user has given it the focus. Numbers are written as in the
    // interface's language (a decimal comma in Portuguese).
    const QLocale numbers = Lang::englishFlag() ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                : QLocale(QLocale::Portuguese, QLocale::Brazil);
    for (QWidget* field : inner->findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractSpinBox*>(field) && !qobject_cast<QComboBox*>(field))
            continue;
        if (qobject_cast<QAbstractSpinBox*>(field))
            field->setLocale(numbers);
        field->setFocusPolicy(Qt::StrongFocus);
        field->installEventFilter(this);
    }
    m_forms = inner->findChildren<QFormLayout*>();
    for (QPushButton* button : inner->findChildren<QPushButton*>())
        if (!button->text().isEmpty())
            m_buttons.append({button, button->text(), 0});
}

// A button wider than the page can give shows its icon only; its tool tip
// keeps the text.
void SettingsPage::fitButtons()
{
    // The scroll area's viewport may not have its new size yet.
    const int room = width() - m_scroll->verticalScrollBar()->sizeHint().width()
        - 2 * m_inner->contentsMargins().left() - kBoxPadding;
    for (WideButton& b : m_buttons) {
        if (b.full == 0)
            b.full = b.button->sizeHint().width();
        const bool withText = b.full <= room;
        b.button->setText(withText ? b.text : QString());
        b.button->setToolTip(withText ? QString() : b.text);
    }
}

// Below kNarrow the forms put each label above its control and the
// output-device list gives up its wide minimum; below kNarrowest the labels
// wrap too, the margins narrow, the device list has no minimum of its own
// and the About and folder boxes stack their parts. Above kNarrow the page
// keeps its usual look.
void SettingsPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitButtons();
    const int fit = width() < kNarrowest ? 2 : width() < kNarrow ? 1 : 0;
    if (m_fit == fit)
        return;
    m_fit = fit;
    const int side = fit == 2 ? 2 : 32;
    m_inner->setContentsMargins(side, 26, side, 32);
    m_devices->setMinimumWidth(fit == 0 ? 320 : fit == 1 ? 160 : 0);
    for (QFormLayout* form : m_forms)
        stackRows(form, fit > 0, fit == 2);
    const QBoxLayout::Direction parts = fit == 2 ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    m_about->setDirection(parts);
    for (FolderBox* box : m_scroll->widget()->findChildren<FolderBox*>())
        if (auto* row = qobject_cast<QBoxLayout*>(box->layout()))
            row->setDirection(parts);
}

// A field turns by the wheel only while it holds a focus the user gave it
// (Tab, a click); a focus Qt passed on by itself, when the page came up,
// does not count.
bool SettingsPage::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (field && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool chosen = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
        m_wheelField = chosen ? field : nullptr;
    } else if (field && event->type() == QEvent::FocusOut && m_wheelField == field) {
        m_wheelField = nullptr;
    }
    if (event->type() != QEvent::Wheel || !field || (field == m_wheelField && field->hasFocus()))
        return QWidget::eventFilter(watched, event);
    QCoreApplication::sendEvent(m_scroll->verticalScrollBar(), event);
    return true;
}

void SettingsPage::refreshAudioDevices()
{
    const QString stored = App::get(QStringLiteral("audio/device"), QStringLiteral("auto")).toString();
    const QString automatic = L("Automática (padrão do sistema)", "Automatic (system default)");
    m_devices->clear();
    for (const QVariant& entry : m_host->core()->audioDevices()) {
        const QVariantMap map = entry.toMap();
        const QString name = map.value(QStringLiteral("name")).toString();
        QString text = name == QLatin1String("auto") ? automatic : map.value(QStringLiteral("description")).toString();
        m_devices->addItem(text.isEmpty() ? name : text, name);
    }
    if (m_devices->count() == 0)
        m_devices->addItem(automatic, QStringLiteral("auto"));
    m_devices->setCurrentIndex(qMax(0, m_devices->findData(stored)));
}

QWidget* SettingsPage::libraryBox(const QString& kind, const QString& title)
{
    return new FolderBox(kind, title, this);
}

QWidget* SettingsPage::shortcutsBox()
{
    return new ShortcutsBox(m_host);
}

QString SettingsPage::aboutText()
{
    const QUrl page(QString::fromLatin1(WebAddresses::kProductPage));
    const QString tpl = QStringLiteral("<b style='font-size:13pt'>Orvel %1</b><br>%2<br>"
                                       "<a style='color:#2bd9fe' href='%3'>")
        + page.host().toHtmlEscaped()
        + QStringLiteral("</a><br><span style='color:#6b7c93'>%4 libmpv · Qt %5</span>");
    return tpl.arg(QString::fromLatin1(WebAddresses::kVersion), QCoreApplication::organizationName(),
                   page.toString(), L("Motor:", "Engine:"), QString::fromLatin1(qVersion()));
}

QGroupBox* SettingsPage::aboutGroup()
{
    auto* box = new QGroupBox(L("Sobre", "About"));
    auto* row = new QBoxLayout(QBoxLayout::LeftToRight, box);
    m_about = row;
    auto* logo = new QLabel;
    logo->setPixmap(Icons::appLogo(72));
    auto* text = new QLabel(aboutText());
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setOpenExternalLinks(true);
    QPushButton* logs = makeButton(L("Abrir pasta de registros", "Open log folder"), QStringLiteral("folder"));
    row->addWidget(logo);
    row->addWidget(text, 1);
    row->addWidget(logs);
    connect(logs, &QPushButton::clicked, this, &SettingsPage::openLogFolder);
    return box;
}

void SettingsPage::clearHistory()
{
    const auto answer = QMessageBox::question(this, L("Apagar histórico", "Clear history"),
                                              L("Apagar todo o histórico e os pontos de onde parou?",
                                                "Clear all history and resume points?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    Database::instance()->clearHistory(QString());
    m_host->toast(L("Histórico apagado", "History cleared"));
}

void SettingsPage::openLogFolder()
{
    const QString path = App::dataDir() + QStringLiteral("/logs");
    QDir().mkpath(path);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
