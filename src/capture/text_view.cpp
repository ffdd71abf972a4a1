#include "capture/text_view.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <cmath>

#include "annotate/text_document.h"

namespace {

constexpr int kInitialTextSize = 16;

}  // namespace

NSMyTextView::NSMyTextView(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::NoWrap);
    setTabChangesFocus(false);
    // The text stands the line padding right of the editor's edge, and nothing else moves it.
    setViewportMargins(static_cast<int>(kTextLinePadding), 0, 0, 0);
    setUpTextDocument(*document(), kInitialTextSize);
    setTextSize(kInitialTextSize);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Window, Qt::transparent);
    setPalette(p);
    // Input methods (XIM, IBus) deliver their commits only to widgets that ask for them.
    setAttribute(Qt::WA_InputMethodEnabled);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &NSMyTextView::contentSizeChanged);
    hide();
}

void NSMyTextView::setTextSize(int textSize) {
    const QFont font = textAnnotationFont(textSize);
    setFont(font);
    document()->setDefaultFont(font);
}

void NSMyTextView::setPenColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Text, color);  // the insertion point is drawn in it too
    setPalette(p);
}

QColor NSMyTextView::penColor() const {
    return palette().color(QPalette::Text);
}

QSizeF NSMyTextView::contentSize() const {
    const double caret = cursorWidth() + 1;
    return {kTextLinePadding + std::ceil(document()->idealWidth()) + caret,
            std::ceil(document()->size().height())};
}

bool NSMyTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source != nullptr && source->hasText();
}

void NSMyTextView::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    insertPlainText(source->text());
}

void NSMyTextView::keyPressEvent(QKeyEvent* event) {
    // The editor keeps no history of its own: undo drops the text, redo restores a shape.
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        event->ignore();
        return;
    }
    QTextEdit::keyPressEvent(event);
}
