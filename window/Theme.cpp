#include "Theme.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace Theme {

const QColor bg(QStringLiteral("#07111f"));
const QColor surface(QStringLiteral("#0d1b2e"));
const QColor surface2(QStringLiteral("#12233a"));
const QColor surface3(QStringLiteral("#183049"));
const QColor line(QStringLiteral("#22344c"));
const QColor text(QStringLiteral("#f4f7fb"));
const QColor muted(QStringLiteral("#a8b5c7"));
const QColor dim(QStringLiteral("#6b7c93"));
const QColor cyan(QStringLiteral("#2bd9fe"));
const QColor violet(QStringLiteral("#8b5cf6"));

namespace {

const char* const kFontFiles[] = {
    ":/fonts/Inter-Regular.ttf",
    ":/fonts/Inter-SemiBold.ttf",
    ":/fonts/Inter-Bold.ttf",
    ":/fonts/Inter-ExtraBold.ttf",
};

QPalette palette()
{
    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, const QColor& c) {
        p.setBrush(QPalette::All, role, QBrush(c));
    };
    set(QPalette::Window, bg);
    set(QPalette::WindowText, text);
    set(QPalette::Base, surface);
    set(QPalette::AlternateBase, surface2);
    set(QPalette::Text, text);
    set(QPalette::Button, surface2);
    set(QPalette::ButtonText, text);
    set(QPalette::Highlight, QColor(QStringLiteral("#183049")));
    set(QPalette::HighlightedText, QColor(QStringLiteral("#ffffff")));
    set(QPalette::ToolTipBase, surface2);
    set(QPalette::ToolTipText, text);
    set(QPalette::PlaceholderText, dim);
    set(QPalette::Link, cyan);
    const QColor disabled(QStringLiteral("#4b5d75"));
    for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        p.setBrush(QPalette::Disabled, role, QBrush(disabled));
    return p;
}

// Registers the bundled faces; the family reported by the last one that
// loads names the application font.
QString registerFonts()
{
    QString family = QStringLiteral("Inter");
    for (const char* file : kFontFiles) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        if (id < 0)
            continue;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
    }
    return family;
}

}  // namespace

void apply(QApplication& app)
{
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    QApplication::setPalette(palette());

    QFont font(registerFonts(), 10);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    QApplication::setFont(font);

    app.setStyleSheet(styleSheet());
}

void darkTitleBar(QWidget* w)
{
    Q_UNUSED(w);
}

}  // namespace Theme
