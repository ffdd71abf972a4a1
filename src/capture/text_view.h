#pragma once
// NSMyTextView: a frameless QTextEdit, the text tool's editor over the frozen screen: plain text
// only (pasted or dropped rich text, images and remote resources are reduced to their plain text),
// no background, frame, scroll bars or wrapping; Return breaks the line. It lays its text out as
// the finished shape is painted (annotate/text_document.h) and tells when its content needs another
// size. The undo and redo keys are left to the capture window, which ends or keeps the text.

#include <QSizeF>
#include <QTextEdit>
#include <QTimer>

class NSMyTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit NSMyTextView(QWidget* parent);

    // The capture view it is typed over.
    void setDrawView(QWidget* view) { myView = view; }

    // "Arial" at `textSize` points.
    void setTextSize(int textSize);
    // The colour of the text and of the insertion point.
    void setPenColor(const QColor& color);
    QColor penColor() const;
    // The size in points that shows the whole text without scrolling: the line padding, the
    // widest line and the insertion point; the height of all lines.
    QSizeF contentSize() const;

    // Pasting and dropping: only the plain text of `source` is taken.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

signals:
    void contentSizeChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void restartCaretBlink();
    QRect caretRect() const;

    QWidget* myView = nullptr;
    // Qt draws its insertion point by inverting the screen under it, whatever the text
    // colour (seen on Qt 6.4): this one is drawn in the pen's colour, on its own timer.
    QTimer m_caretBlink;
    bool m_caretShown = true;
};
