#include "capture/capture_annotations.h"

#include <QTextCursor>
#include <span>
#include <system_error>
#include <utility>

#include "annotate/shape_painter.h"
#include "capture/capture_canvas.h"
#include "capture/capture_model.h"
#include "capture/capture_view.h"
#include "capture/text_view.h"
#include "controls/popup_button.h"
#include "controls/special_button.h"
#include "controls/tool_table.h"
#include "model/ui_texts.h"
#include "overlay/overlay_painter.h"
#include "platform/log.h"
#include "platform/view_transform.h"

using enum CaptureState;

CaptureAnnotations::CaptureAnnotations(CaptureModel& model, CaptureCanvas& canvas,
                                       CaptureView& view, QWidget* window, const UiTexts& texts,
                                       Log& log, WindowHooks hooks)
    : m_model(model),
      m_canvas(canvas),
      m_view(view),
      m_texts(texts),
      m_log(log),
      m_hooks(std::move(hooks)),
      m_strips(window, m_artwork),
      m_window(window) {
    connect(&m_strips, &ToolStrips::triggered, this,
            [this](StripAction action, int tag) { onCommand(action, tag); });
    connect(&m_strips, &ToolStrips::fontSizeChosen, this, &CaptureAnnotations::handlePopBtn);
}

CaptureAnnotations::~CaptureAnnotations() {
    if (m_artworkReady.valid()) m_artworkReady.wait();
}

void CaptureAnnotations::prepareArtwork(double devicePixelRatio) {
    if (m_artworkReady.valid()) return;
    try {
        m_artworkReady = std::async(
            std::launch::async, [this, devicePixelRatio] { m_artwork.prepare(devicePixelRatio); });
    } catch (const std::system_error&) {
        // No thread to spare: each image is drawn when it is first shown.
    }
}

void CaptureAnnotations::reset() {
    hideStrips();
    sync();
}

void CaptureAnnotations::hideStrips() {
    placeTextView(std::nullopt);
    m_state.clearToolBorder();
    m_strips.clearHover();
    m_state.setColorbarShow(false);
    m_state.setToolbarShow(false);
}

void CaptureAnnotations::sync() {
    const ToolStrips::Texts texts{m_texts.m_dicTooltips, UiTexts::logoToolTipText()};
    m_strips.sync(m_state, m_model.screenSize().height, !m_model.shapes().canUndo(), texts);
}

void CaptureAnnotations::showToolbar(bool withColorbar) {
    m_state.showToolbar(m_model.captureWindowRect(), m_model.screenSize().height, withColorbar,
                        m_model.captureState() == CAPTURE_STATE_MOSAIC);
}

void CaptureAnnotations::selectionMade() {
    if (!m_strips.built()) {
        // Made before the strips, so that it lies above the view and below them.
        m_textView = new NSMyTextView(m_window);
        m_textView->setDrawView(&m_view);
        connect(m_textView, &NSMyTextView::contentSizeChanged, this,
                &CaptureAnnotations::fitTextView);
        m_strips.build(m_model.captureParam().Transparent);
        // The bar's build ends with the middle pen size.
        setPenSize(kDefaultPenSize);
        onChangeColorEx(m_state.selectedSwatch());
    }
    showToolbar(false);
    if (NSMyPopUpButton* popUp = m_strips.txtSizeButton()) popUp->selectItemAtIndex(3);
    m_state.setColorbarShow(false);
    sync();
}

void CaptureAnnotations::selectionChanged() {
    showToolbar(false);
    sync();
}

void CaptureAnnotations::dropAnnotations() {
    m_grab.reset();
    m_reopened.reset();
    hideStrips();
    m_model.shapes().reset();
    historyChanged();
    // The selection is already gone from the model: what it showed is repainted everywhere.
    m_view.update();
}

void CaptureAnnotations::onCommand(StripAction action, int tag) {
    switch (action) {
        case StripAction::onUndo:
            onUndo();
            return;
        case StripAction::onOK:
        case StripAction::onCancel:
        case StripAction::onSave:
            m_hooks.command(action);
            return;
        case StripAction::onLittle:
        case StripAction::onMid:
        case StripAction::onBig:
            setPenSize(*penSizeOf(action));
            return;
        case StripAction::onChangeColorEx:
            onChangeColorEx(tag);
            return;
        default:
            onTool(action);
            return;
    }
}

void CaptureAnnotations::onTool(StripAction action) {
    const ToolEntry* tool = toolForAction(action);
    if (tool == nullptr) return;
    // The mosaic tool has no colours: the bar shows only the sizes.
    const bool mosaic = tool->shape == ToolType::ToolMosaic;
    if (mosaic) m_canvas.ensureMosaic();
    if (action != StripAction::onText) appendText();
    m_state.clearToolBorder();
    m_strips.clearHover();
    m_state.setTextType(action == StripAction::onText);
    m_state.setColorShow(mosaic);
    m_state.selectTool(action);
    if (tool->logLine) m_log.write(QString::fromLatin1(tool->logLine));
    m_model.setCaptureState(tool->state);
    m_model.setDrawDragPoints(false);
    showToolbar(true);
    sync();
    m_view.refresh();  // the handles go, a text being typed went
}

void CaptureAnnotations::setPenSize(PenSize penSize) {
    m_state.selectPenSize(penSize);
    m_model.shapes().currShape().m_penSize = penSize;
    changeSelected([penSize](const DrawShape& s) { return withPenSize(s, penSize); });
    sync();
}

void CaptureAnnotations::onChangeColorEx(int tag) {
    if (tag < 0 || tag >= kSwatchCount) return;
    DrawShape& pen = m_model.shapes().currShape();
    pen.m_penColor = palette()[tag].color;
    pen.m_colorIndex = tag;
    if (m_textView) m_textView->setPenColor(toQColor(pen.m_penColor));
    changeSelected(
        [&pen](const DrawShape& s) { return withColour(s, pen.m_penColor, pen.m_colorIndex); });
    m_state.selectSwatch(tag);
    m_strips.showCurrentColor(tag);
    sync();
}

void CaptureAnnotations::handlePopBtn(int index) {
    NSMyPopUpButton* popUp = m_strips.txtSizeButton();
    if (popUp == nullptr) return;
    m_log.write(QString::number(index));
    popUp->selectItemAtIndex(index);
    popUp->setTitle(popUp->titleOfSelectedItem());
    popUp->update();
    const int chosen = popUp->indexOfSelectedItem();
    if (chosen >= 0 && chosen < int(kFontSizes.size())) m_textPoints = kFontSizes[chosen].points;
    m_model.shapes().currShape().m_textSize = m_textPoints;
    if (m_textView) m_textView->setTextSize(m_model.shapes().currShape().m_textSize);
    const int points = m_textPoints;
    changeSelected([points](const DrawShape& s) { return withTextSize(s, points); });
}

namespace {

// The kind of shape a tool state draws; ToolNone outside the tool states.
ToolType toolTypeFor(CaptureState state) {
    const ToolEntry* tool = toolForState(state);
    return tool ? tool->shape : ToolType::ToolNone;
}

}  // namespace

void CaptureAnnotations::toolPressed(CaptureState state, Point p) {
    const ToolType tool = toolTypeFor(state);
    if (tool == ToolType::ToolText) pressText(p);
    if (tool == ToolType::ToolText || tool == ToolType::ToolNone) return;
    m_toolStart = p;
    m_model.shapes().pressTool(tool, p);
}

void CaptureAnnotations::toolDragged(CaptureState state, Point p) {
    const ToolType tool = toolTypeFor(state);
    if (tool == ToolType::ToolText || tool == ToolType::ToolNone) return;
    m_model.shapes().dragTool(tool, m_toolStart, p);
}

void CaptureAnnotations::commitShape() {
    ShapeHistory& shapes = m_model.shapes();
    if (shapes.addNewShape() != AddShapeResult::Added) return;
    addToFlattenedHistory(m_canvas.currentImageToDraw(), shapes.arrayShapes().back(),
                          paintContext());
    setUndoState();
}

void CaptureAnnotations::pressText(Point p) {
    if (m_textView == nullptr) return;
    if (m_textEntry.press(p, m_model.captureWindowRect()) == TextEntry::Press::Committed) {
        appendText();
        return;
    }
    DrawShape& pen = m_model.shapes().currShape();
    pen.m_textSize = m_textPoints;
    pen.m_penColor = palette()[m_state.selectedSwatch()].color;
    showEditor(pen, QString());
}

void CaptureAnnotations::showEditor(const DrawShape& style, const QString& text) {
    m_textView->clear();
    m_textView->setTextSize(style.m_textSize);
    m_textView->setPenColor(toQColor(style.m_penColor));
    if (!text.isEmpty()) {
        m_textView->setPlainText(text);
        m_textView->moveCursor(QTextCursor::End);
    }
    placeTextView(m_textEntry.frame());
    fitTextView();
    m_textView->show();
    m_textView->setFocus(Qt::OtherFocusReason);
}

void CaptureAnnotations::fitTextView() {
    if (m_textView == nullptr || !m_textEntry.visible()) return;
    const QSizeF content = m_textView->contentSize();
    placeTextView(m_textEntry.fitContent({content.width(), content.height()}));
}

void CaptureAnnotations::placeTextView(std::optional<Rect> frame) {
    m_model.setTextEditorFrame(frame);
    m_view.refresh();
    if (m_textView == nullptr) return;
    if (!frame) {
        m_textEntry.hide();
        const bool hadFocus = m_window->focusWidget() == m_textView;
        m_textView->hide();
        // Keys go back to the capture window: Return finishes again.
        if (hadFocus) m_window->setFocus(Qt::OtherFocusReason);
        return;
    }
    const QRect geometry = qtRectFromView(*frame, m_model.screenSize().height).toRect();
    if (m_textView->geometry() != geometry) m_textView->setGeometry(geometry);
}

void CaptureAnnotations::appendText() {
    if (m_textView == nullptr || !m_textEntry.visible()) return;
    ShapeHistory& shapes = m_model.shapes();
    if (m_reopened) {
        // An edited text replaces the one opened; emptied, it is removed.
        const Reopened reopened = *std::exchange(m_reopened, std::nullopt);
        const QString text = m_textView->toPlainText();
        const Rect frame = m_textEntry.frame();
        placeTextView(std::nullopt);
        if (text.isEmpty()) {
            shapes.remove(reopened.index, reopened.before);
        } else {
            shapes.change(reopened.index, reopened.before, textShape(reopened.style, text, frame));
        }
        historyChanged();
        return;
    }
    const bool added =
        m_textEntry.commit(shapes, m_textView->toPlainText()) == AddShapeResult::Added;
    placeTextView(std::nullopt);
    if (!added) return;
    addToFlattenedHistory(m_canvas.currentImageToDraw(), shapes.arrayShapes().back(),
                          paintContext());
    m_view.repaintSelection();
    setUndoState();
}

void CaptureAnnotations::onUndo() {
    if (m_textEntry.visible()) {
        // The text being typed is dropped, not committed; the shapes stay, a text opened
        // again as it was.
        placeTextView(std::nullopt);
        if (m_reopened) {
            m_model.shapes().preview(m_reopened->index, m_reopened->before);
            m_reopened.reset();
            reflatten();
        }
        return;
    }
    m_log.write(QStringLiteral("onUndo"));
    if (m_model.shapes().unDo()) historyChanged();
}

void CaptureAnnotations::onRedo() {
    if (m_model.shapes().reDo()) historyChanged();
}

ShapePaintContext CaptureAnnotations::paintContext() const {
    ShapePaintContext context;
    context.viewHeight = m_model.screenSize().height;
    context.mosaicImage = &m_canvas.mosaicImage();
    return context;
}

void CaptureAnnotations::reflatten() {
    m_canvas.currentImageToDraw() =
        flattenHistory(m_canvas.originImage(), m_model.shapes().arrayShapes(), paintContext());
    m_view.repaintSelection();
}

void CaptureAnnotations::historyChanged() {
    m_grab.reset();
    reflatten();
    setUndoState();
}

void CaptureAnnotations::changeSelected(const std::function<DrawShape(const DrawShape&)>& change) {
    if (m_reopened) {
        m_reopened->style = change(m_reopened->style);
        return;
    }
    ShapeHistory& shapes = m_model.shapes();
    const std::optional<size_t> index = shapes.selected();
    if (!index) return;
    const DrawShape before = shapes.arrayShapes()[*index];
    const DrawShape after = change(before);
    if (after == before) return;
    shapes.change(*index, before, after);
    historyChanged();
}

bool CaptureAnnotations::grabShapeAt(Point p) {
    if (m_textEntry.visible()) return false;  // the press ends the text being typed
    ShapeHistory& shapes = m_model.shapes();
    const std::optional<ShapeHold> hold = shapes.holdAt(p);
    if (!hold) {
        shapes.select(std::nullopt);
        return false;
    }
    shapes.select(hold->index);
    m_grab = Grab{*hold, p, shapes.arrayShapes()[hold->index], {}};
    return true;
}

void CaptureAnnotations::dragShape(Point p) {
    if (!m_grab) return;
    ShapeHistory& shapes = m_model.shapes();
    const size_t index = m_grab->hold.index;
    if (m_grab->below.isNull()) {
        const std::span<const DrawShape> below(shapes.arrayShapes().data(), index);
        m_grab->below = flattenHistory(m_canvas.originImage(), below, paintContext());
    }
    shapes.preview(index, draggedShape(m_grab->before, m_grab->hold.grip, m_grab->from, p));
    // The shapes below stay painted; the moved one and those above it are painted again.
    const std::span<const DrawShape> changed =
        std::span<const DrawShape>(shapes.arrayShapes()).subspan(index);
    m_canvas.currentImageToDraw() = flattenHistory(m_grab->below, changed, paintContext());
    m_view.repaintSelection();
}

void CaptureAnnotations::releaseShape() {
    if (!m_grab) return;
    const Grab grab = *std::exchange(m_grab, std::nullopt);
    ShapeHistory& shapes = m_model.shapes();
    shapes.change(grab.hold.index, grab.before, shapes.arrayShapes()[grab.hold.index]);
    setUndoState();
    m_view.refresh();
}

bool CaptureAnnotations::reopenTextAt(Point p) {
    if (m_textView == nullptr || m_textEntry.visible()) return false;
    ShapeHistory& shapes = m_model.shapes();
    const std::optional<ShapeHold> hold = shapes.holdAt(p);
    if (!hold) return false;
    const DrawShape shape = shapes.arrayShapes()[hold->index];
    if (shape.m_eType != ToolType::ToolText) return false;
    if (m_model.captureState() != CAPTURE_STATE_TEXT) onTool(StripAction::onText);
    m_reopened = Reopened{hold->index, shape, shape};
    shapes.select(std::nullopt);
    // Hidden while it is edited: the editor shows it.
    DrawShape hidden = shape;
    hidden.m_textString.clear();
    shapes.preview(hold->index, hidden);
    reflatten();
    m_textEntry.reopen(shape, m_model.captureWindowRect());
    showEditor(shape, shape.m_textString);
    return true;
}

bool CaptureAnnotations::deleteSelectedShape() {
    ShapeHistory& shapes = m_model.shapes();
    const std::optional<size_t> index = shapes.selected();
    if (!index || m_textEntry.visible()) return false;
    shapes.remove(*index, shapes.arrayShapes()[*index]);
    historyChanged();
    return true;
}

bool CaptureAnnotations::nudgeSelectedShape(Point d) {
    if (!m_model.shapes().selected() || m_textEntry.visible()) return false;
    changeSelected([d](const DrawShape& s) { return movedShape(s, d); });
    return true;
}

void CaptureAnnotations::setUndoState() {
    if (auto* undo =
            qobject_cast<SpecialNSButton*>(m_strips.control(QStringLiteral("undoButton")))) {
        undo->setIsHover(false);
        undo->setSelected(false);
    }
    sync();
}
