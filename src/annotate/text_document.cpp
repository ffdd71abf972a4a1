#include "annotate/text_document.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QTextDocument>
#include <algorithm>

QFont textAnnotationFont(int textSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, textSize));
    // What the editor's widget font inherits from the application, so both resolve alike.
    return font.resolve(QGuiApplication::font());
}

void setUpTextDocument(QTextDocument& document, int textSize) {
    document.setDocumentMargin(0);
    document.setDefaultFont(textAnnotationFont(textSize));
    document.setTextWidth(-1);
}

void paintTextAnnotation(QPainter& painter, QPointF topLeft, const QString& text, int textSize,
                         const QColor& color) {
    if (text.isEmpty()) return;
    QTextDocument document;
    setUpTextDocument(document, textSize);
    document.setPlainText(text);  // never read as rich text
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, color);
    painter.save();
    painter.translate(topLeft);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
}
