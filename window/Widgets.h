#pragma once

#include <QString>
#include <QtGlobal>

class CardView;
class QLabel;
class QPushButton;
class QWidget;

// Small makers shared by every page, for one look across the window. Each
// returns a parentless widget: the caller's layout becomes its owner.

// A label with the text and an object name ("PageTitle", "SectionTitle").
QLabel* makeTitle(const QString& text, const char* objectName);

// A push button; a non-empty icon name gives it that line icon at 16 x 16.
// A primary button carries the "primary" property (the gradient style).
QPushButton* makeButton(const QString& text, const QString& iconName = QString(), bool primary = false);

// The centred panel a page shows when it has nothing to list; extra may be null.
QWidget* emptyState(const QString& iconName, const QString& title, const QString& text,
                    QWidget* extra = nullptr);

// Shows the button's text, or only its icon with the text as its tool tip.
void showButtonText(QPushButton* button, const QString& text, bool shown);

// A titled block: a header row (title, stretch, optional button) above the view.
QWidget* section(const QString& title, CardView* view, QWidget* button = nullptr);

// A short local date for lists of recent plays ("Today, 14:05", "3 days ago").
QString relativeDate(qint64 secs);
