#include <gtest/gtest.h>

#include "capture/cursor_choice.h"
#include "capture/key_command.h"
#include "model/capture_state.h"

using enum CaptureState;

namespace {

TEST(CursorChoice, Table) {
    struct Row {
        int state;
        int handle;
        Point current;
        bool onToolbar;
        int penSize;
        CursorKind expected;
        int shapeHandle = -2;  // -1: over a finished shape's line; -2: over none
    };
    const Point known{50, 50};
    const Row rows[] = {
        {2, 8, {0, 50}, false, 0, CursorKind::Arrow},  // no pointer position known yet
        {2, 8, {50, 0.7}, false, 0, CursorKind::Arrow},
        {2, -1, known, false, 0, CursorKind::Arrow},  // outside the selection
        {2, 0, known, false, 0, CursorKind::LeftBottom},
        {2, 4, known, false, 0, CursorKind::LeftBottom},
        {2, 1, known, false, 0, CursorKind::LeftRight},
        {4, 5, known, false, 0, CursorKind::LeftRight},
        {2, 2, known, false, 0, CursorKind::LeftTop},
        {2, 6, known, false, 0, CursorKind::LeftTop},
        {2, 3, known, false, 0, CursorKind::TopBottom},
        {2, 7, known, false, 0, CursorKind::TopBottom},
        {7, 3, known, false, 0, CursorKind::Arrow},  // handles do nothing in tool states
        {1, 8, known, false, 0, CursorKind::Arrow},  // the offered window
        {2, 8, known, false, 0, CursorKind::Move},
        {3, 8, known, false, 0, CursorKind::Move},
        {2, 8, known, true, 0, CursorKind::Arrow},  // over the tool bar
        {11, 8, known, false, 0, CursorKind::Cross},
        {5, 8, known, false, 0, CursorKind::Cross},
        {8, 8, known, false, 1, CursorKind::MosaicSmall},
        {8, 8, known, false, 2, CursorKind::MosaicMiddle},
        {8, 8, known, false, 6, CursorKind::MosaicBig},
        {8, 8, known, false, 3, CursorKind::Unchanged},
        // Over a finished shape, with a tool or none: it would be moved, or resized by a handle;
        // not while the selection itself is dragged, nor over the tool bar.
        {11, 8, known, false, 0, CursorKind::Move, -1},
        {2, 8, known, false, 0, CursorKind::Move, -1},
        {8, 8, known, false, 2, CursorKind::LeftTop, 6},
        {4, 8, known, false, 0, CursorKind::Move, 6},
        {11, 8, known, true, 0, CursorKind::Arrow, -1},
    };
    for (const Row& row : rows) {
        CursorInputs in;
        in.captureState = static_cast<CaptureState>(row.state);
        in.handleIndex = static_cast<Handle>(row.handle);
        in.currentLocation = row.current;
        in.onToolbar = row.onToolbar;
        in.penSize = PenSize(row.penSize);
        in.overShape = row.shapeHandle >= -1;
        in.shapeHandle = row.shapeHandle;
        EXPECT_EQ(onSetCursor(in), row.expected)
            << "state " << row.state << " handle " << row.handle;
    }
}

TEST(KeyCommand, Table) {
    struct Row {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool textVisible;
        bool panelOpen;
        CaptureState state;
        KeyAction expected;
        bool shapeSelected = false;
    };
    const auto none = Qt::NoModifier;
    const Row rows[] = {
        {Qt::Key_Escape, none, false, false, CAPTURE_STATE_RECT, KeyAction::Cancel},
        {Qt::Key_Escape, none, true, false, CAPTURE_STATE_TEXT, KeyAction::Cancel},
        {Qt::Key_Escape, none, false, true, CAPTURE_STATE_SELECTED, KeyAction::Swallow},
        {Qt::Key_Return, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Finish},
        {Qt::Key_Enter, Qt::KeypadModifier, false, false, CAPTURE_STATE_CHOOSE, KeyAction::Finish},
        {Qt::Key_W, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Finish},
        {Qt::Key_Return, none, true, false, CAPTURE_STATE_TEXT, KeyAction::Swallow},
        {Qt::Key_Z, Qt::ControlModifier, false, false, CAPTURE_STATE_RECT, KeyAction::Undo},
        {Qt::Key_Z, none, false, false, CAPTURE_STATE_RECT, KeyAction::Swallow},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, false, false, CAPTURE_STATE_RECT,
         KeyAction::Redo},
        {Qt::Key_Y, Qt::ControlModifier, false, false, CAPTURE_STATE_SELECTED, KeyAction::Redo},
        {Qt::Key_Y, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Default},
        // Arrow keys move a finished selection, but not while picking, drawing or typing.
        {Qt::Key_Left, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Nudge},
        {Qt::Key_Up, Qt::ShiftModifier, false, false, CAPTURE_STATE_SELECTED, KeyAction::Nudge},
        {Qt::Key_Left, none, false, false, CAPTURE_STATE_CHOOSE, KeyAction::Default},
        {Qt::Key_Left, none, false, false, CAPTURE_STATE_RECT, KeyAction::Default},
        {Qt::Key_Down, none, false, true, CAPTURE_STATE_SELECTED, KeyAction::Swallow},
        {Qt::Key_Control, Qt::ControlModifier, false, false, CAPTURE_STATE_SELECTED,
         KeyAction::Default},
        {Qt::Key_Backspace, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Swallow},
        {Qt::Key_Delete, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Swallow},
        {Qt::Key_Shift, Qt::ShiftModifier, false, false, CAPTURE_STATE_MOSAIC,
         KeyAction::UpdateCursor},
        {Qt::Key_Shift, Qt::ShiftModifier, false, false, CAPTURE_STATE_RECT, KeyAction::Default},
        {Qt::Key_A, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::Default},
        // A selected shape: arrows move it and Delete removes it, whatever the tool, except
        // while a text is typed.
        {Qt::Key_Left, none, false, false, CAPTURE_STATE_RECT, KeyAction::NudgeShape, true},
        {Qt::Key_Up, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::NudgeShape, true},
        {Qt::Key_Delete, none, false, false, CAPTURE_STATE_ARROW, KeyAction::DeleteShape, true},
        {Qt::Key_Backspace, none, false, false, CAPTURE_STATE_SELECTED, KeyAction::DeleteShape,
         true},
        {Qt::Key_Backspace, none, true, false, CAPTURE_STATE_TEXT, KeyAction::Swallow, true},
        {Qt::Key_Left, none, true, false, CAPTURE_STATE_TEXT, KeyAction::Default, true},
        {Qt::Key_Delete, none, false, true, CAPTURE_STATE_SELECTED, KeyAction::Swallow, true},
    };
    for (const Row& row : rows) {
        const KeyInputs in{row.key,       row.modifiers, row.textVisible,
                           row.panelOpen, row.state,     row.shapeSelected};
        EXPECT_EQ(keyDownAction(in), row.expected) << "key " << std::hex << row.key;
    }
    const KeyInputs left{Qt::Key_Left, Qt::NoModifier, false, false, CAPTURE_STATE_SELECTED};
    const KeyInputs shiftUp{Qt::Key_Up, Qt::ShiftModifier, false, false, CAPTURE_STATE_SELECTED};
    EXPECT_EQ(nudgeOffset(left), (Point{-1, 0}));
    EXPECT_EQ(nudgeOffset(shiftUp), (Point{0, 10})) << "up is towards larger y";
    EXPECT_EQ(keyUpAction({Qt::Key_Shift, {}, false, true, CAPTURE_STATE_MOSAIC}),
              KeyAction::UpdateCursor)
        << "releases are handled even with a save panel open";
}

}  // namespace
