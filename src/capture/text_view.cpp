#include "capture/text_view.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <cmath>

#include "annotate/text_document.h"

namespace {

constexpr int kInitialTextSize = 16;
constexpr int kCaretWidth = 1;

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
    const double caret = kCaretWidth + 1;
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

QRect NSMyTextView::caretRect() const {
    QRect r = cursorRect();
    r.setWidth(kCaretWidth);
    return r;
}

void NSMyTextView::restartCaretBlink() {
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    m_caretShown = true;
    if (flash > 0 && isVisible()) {
        m_caretBlink.start(flash / 2);
    } else {
        m_caretBlink.stop();
    }
    viewport()->update();
}

void NSMyTextView::paintEvent(QPaintEvent* event) {
    // The document drawn as the finished shape draws it (annotate/text_document.cpp), plus
    // the selection; Qt's own pass would add its inverting insertion point.
    QPainter painter(viewport());
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-scroll);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.clip = QRectF(event->rect().translated(scroll));
    if (textCursor().hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = textCursor();
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        context.selections.append(selection);
    }
    document()->documentLayout()->draw(&painter, context);
    painter.translate(scroll);
    if (hasFocus() && m_caretShown) painter.fillRect(caretRect(), penColor());
}

void NSMyTextView::showEvent(QShowEvent* event) {
    QTextEdit::showEvent(event);
    restartCaretBlink();
}

void NSMyTextView::hideEvent(QHideEvent* event) {
    QTextEdit::hideEvent(event);
    m_caretBlink.stop();
}
