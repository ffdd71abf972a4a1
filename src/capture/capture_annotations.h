#pragma once
// The annotation side of a capture: the toolbar and the colour and size bar beside the
// selection, the tool commands, the pen settings, drawing shapes with the mouse, and undo and
// redo. The selection interaction hands it presses, drags and releases inside the selection;
// the strips hand it clicks. Finish, cancel and save go back to the capture window.

#include <QObject>
#include <functional>
#include <future>
#include <optional>

#include "annotate/text_entry.h"
#include "capture/selection_interaction.h"
#include "controls/artwork.h"
#include "controls/strips_state.h"
#include "controls/tool_strips.h"

class CaptureModel;
class CaptureCanvas;
class CaptureView;
class Log;
class NSMyTextView;
struct ShapePaintContext;
struct UiTexts;

class CaptureAnnotations : public QObject, public AnnotationTools {
    Q_OBJECT
public:
    // What the capture window does for the strips.
    struct WindowHooks {
        std::function<void(StripAction)> command;  // onOK, onCancel and onSave
        std::function<bool()> savePanelOpen;       // while open, the capture takes no input
    };
    CaptureAnnotations(CaptureModel& model, CaptureCanvas& canvas, CaptureView& view,
                       QWidget* window, const UiTexts& texts, Log& log, WindowHooks hooks);
    ~CaptureAnnotations() override;

    // A new capture: the strips hidden and unmarked, no shapes, no mosaic image.
    void reset();
    // Draws the strips' artwork ahead of the first selection, on another thread.
    void prepareArtwork(double devicePixelRatio);

    // The strips' commands; also reachable from the keyboard (undo, redo).
    void onCommand(StripAction action, int tag = -1);
    void onUndo();
    void onRedo();
    void handlePopBtn(int index);

    const StripsState& strips() const { return m_state; }
    // The text tool's editor, made with the toolbar: null before the first selection.
    NSMyTextView* textView() const { return m_textView; }
    ToolStrips& toolStrips() { return m_strips; }

    // AnnotationTools
    bool savePanelOpen() const override { return m_hooks.savePanelOpen(); }
    bool isIntoolbar(Point p) const override { return m_state.isIntoolbar(p); }
    bool textViewVisible() const override { return m_textEntry.visible(); }
    // Ends the text being typed: a finished shape, flattened into the screen, unless it is
    // empty; the editor is hidden. Does nothing while no text is typed, so anything may call
    // it before it composes the image.
    void appendText() override;
    void selectionMade() override;
    void selectionChanged() override;
    void dropAnnotations() override;
    void toolPressed(CaptureState state, Point p) override;
    void toolDragged(CaptureState state, Point p) override;
    void commitShape() override;
    bool grabShapeAt(Point p) override;
    void dragShape(Point p) override;
    void releaseShape() override;
    bool reopenTextAt(Point p) override;

    // The selected shape removed, or moved by `d`: one step each; false without a selection.
    bool deleteSelectedShape();
    bool nudgeSelectedShape(Point d);

private:
    void onTool(StripAction action);
    void setPenSize(PenSize penSize);
    void onChangeColorEx(int tag);
    void setUndoState();
    void historyChanged();
    // The flattened image painted again from the shapes as they are now.
    void reflatten();
    // The selected shape (or the text being edited again) changed by `change`: one step.
    void changeSelected(const std::function<DrawShape(const DrawShape&)>& change);
    // How finished shapes are painted into the flattened history.
    ShapePaintContext paintContext() const;
    void showToolbar(bool withColorbar);
    void sync();
    // Both strips hidden and unmarked, a text being typed dropped.
    void hideStrips();
    void pressText(Point p);
    // The editor shown at the text entry's frame, in `style`'s colour and text size, holding
    // `text` with the insertion point at its end.
    void showEditor(const DrawShape& style, const QString& text);
    void fitTextView();
    // The editor's frame into the widget and the overlay, or the editor hidden (nullopt).
    void placeTextView(std::optional<Rect> frame);

    CaptureModel& m_model;
    CaptureCanvas& m_canvas;
    CaptureView& m_view;
    const UiTexts& m_texts;
    Log& m_log;
    WindowHooks m_hooks;
    Artwork m_artwork;
    std::future<void> m_artworkReady;
    ToolStrips m_strips;
    StripsState m_state;
    Point m_toolStart;                      // where the current gesture's press was
    int m_textPoints = kDefaultTextPoints;  // the size chosen for the next text
    QWidget* m_window;
    NSMyTextView* m_textView = nullptr;
    TextEntry m_textEntry;
    // A finished shape being dragged: as it was grabbed, and the image of the shapes below it.
    struct Grab {
        ShapeHold hold;
        Point from;
        DrawShape before;
        QImage below;
    };
    std::optional<Grab> m_grab;
    // A finished text opened again in the editor: where it is, and what it was.
    struct Reopened {
        size_t index = 0;
        DrawShape before;
        DrawShape style;  // its colour and size, which the bars may change while it is edited
    };
    std::optional<Reopened> m_reopened;
};
