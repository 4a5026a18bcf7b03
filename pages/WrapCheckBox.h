#pragma once

#include <QCheckBox>

// A check box whose text wraps at word boundaries when the box is narrower
// than the text, instead of running out of sight. The indicator stays by
// the first line, and the whole box takes clicks.
class WrapCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit WrapCheckBox(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    int textLeft() const;
    int lineHeight() const;
    int narrowest() const;
};
