#pragma once

#include <QKeySequenceEdit>

class QKeyEvent;

// A key sequence editor that records one combination. A recording starts
// when the field is clicked, or with Enter or Space while it has the focus;
// reaching it with Tab only focuses it. The first key that is not a
// modifier, with the modifiers held, ends the recording and emits
// editingFinished. Esc, the clear button and the focus leaving end it
// leaving the previous combination. Any other key is recordable, Backspace
// and Tab included; outside a recording keys do nothing (Tab moves on). An
// empty sequence is reported (keySequenceChanged) only by the clear button;
// losing the focus reports nothing.
class ShortcutEdit : public QKeySequenceEdit
{
    Q_OBJECT
public:
    explicit ShortcutEdit(const QKeySequence& sequence, QWidget* parent = nullptr);

    // Shows a sequence without reporting it.
    void showQuietly(const QKeySequence& sequence);
    bool isRecording() const { return m_recording; }

    // The combination a key press stands for. Shift is kept for letters,
    // digits, blanks and keys without text, and dropped where it only chose
    // the symbol ("?" rather than Shift+/).
    static QKeyCombination combination(const QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    static bool startsRecording(const QKeyEvent* event);
    void record(const QKeyEvent* event);
    void dropPlaceholder();

    bool m_recording = false;
};
