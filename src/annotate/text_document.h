#pragma once
// The one layout of a text annotation, shared by the editor that shows it while it is typed
// and the renderer that paints the finished shape: both lay the plain text out with the same
// QTextDocument settings, so that the painted glyphs land on the pixels the editor showed.
// The editor shows its text kTextLinePadding points right of its left edge; the shape is drawn
// from its drawing rectangle, which is the editor's frame moved as far right.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

class QPainter;
class QTextDocument;

constexpr double kTextLinePadding = 5;

// "Arial" at `textSize` points (a point of the view is a pixel of Qt's).
QFont textAnnotationFont(int textSize);
// A document laid out as text annotations are: no margin, the font above, never wrapped.
void setUpTextDocument(QTextDocument& document, int textSize);
// Paints `text` in `color` with its first line's top-left corner at `topLeft` (Qt coordinates).
void paintTextAnnotation(QPainter& painter, QPointF topLeft, const QString& text, int textSize,
                         const QColor& color);
