#include "ShortcutEdit.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta
        || key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R
        || key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R || key == Qt::Key_unknown || key == 0;
}

bool shiftChoseSymbol(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return c.isPrint() && !c.isLetterOrNumber() && !c.isSpace();
}

}  // namespace

ShortcutEdit::ShortcutEdit(const QKeySequence& sequence, QWidget* parent)
    : QKeySequenceEdit(sequence, parent)
{
    setClearButtonEnabled(true);
    // The field's frame and padding belong to its line edit alone; framing
    // both squeezes the text out of a table row.
    setStyleSheet(QStringLiteral("ShortcutEdit { padding: 0; border: none; background: transparent; }"
                                 "ShortcutEdit QLineEdit { padding: 2px 8px; }"));
    // The field is the focus proxy's target, but clicks land on the line edit.
    if (auto* line = findChild<QLineEdit*>())
        line->installEventFilter(this);
    dropPlaceholder();
    // The clear button ends a recording: the next key belongs to nobody.
    connect(this, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& shown) {
        if (shown.isEmpty())
            m_recording = false;
        dropPlaceholder();
    });
}

void ShortcutEdit::showQuietly(const QKeySequence& sequence)
{
    const bool blocked = blockSignals(true);
    setKeySequence(sequence);
    blockSignals(blocked);
    dropPlaceholder();
}

// An empty field means "no shortcut". The stock hint is in one language only,
// and the base class puts it back each time it shows a sequence.
void ShortcutEdit::dropPlaceholder()
{
    if (auto* line = findChild<QLineEdit*>())
        line->setPlaceholderText(QString());
}

QKeyCombination ShortcutEdit::combination(const QKeyEvent* event)
{
    Qt::KeyboardModifiers mods = event->modifiers()
        & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier);
    if (shiftChoseSymbol(event->text()))
        mods.setFlag(Qt::ShiftModifier, false);
    return QKeyCombination(mods, Qt::Key(event->key()));
}

bool ShortcutEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        m_recording = true;
    return QKeySequenceEdit::eventFilter(watched, event);
}

// The base class reports the shown sequence as edited when the focus
// leaves; only a recorded key is an edit here.
void ShortcutEdit::focusOutEvent(QFocusEvent* event)
{
    m_recording = false;
    QWidget::focusOutEvent(event);
}

bool ShortcutEdit::startsRecording(const QKeyEvent* event)
{
    const int key = event->key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The stock editor clears itself (and reports an empty sequence) on the first
// key and waits for up to four; neither is wanted here, so it is not asked.
void ShortcutEdit::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    const int key = event->key();
    if (!m_recording) {
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            focusNextPrevChild(key == Qt::Key_Tab);
        m_recording = startsRecording(event);
        return;
    }
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_recording = false;
        return;
    }
    if (!isModifierKey(key))
        record(event);
}

void ShortcutEdit::record(const QKeyEvent* event)
{
    m_recording = false;
    showQuietly(QKeySequence(combination(event)));
    emit keySequenceChanged(keySequence());
    emit editingFinished();
}

void ShortcutEdit::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}
