#pragma once
// The toolbar and the colour and size bar as widgets over the capture view. build() makes
// them once from the tables in strip_items.h; sync() makes them show what a StripsState
// says. Clicks come out as triggered(action, tag); the font-size pull-down as fontSizeChosen.

#include <QMap>
#include <QObject>
#include <QString>
#include <vector>

#include "controls/strip_items.h"
#include "controls/strips_state.h"

class Artwork;
class NSColorButton;
class NSMyPopUpButton;
class QAbstractButton;
class QWidget;

class ToolStrips : public QObject {
    Q_OBJECT
public:
    // The strips become children of `window`, above everything already in it.
    ToolStrips(QWidget* window, const Artwork& artwork);

    // Builds both strips; does nothing once they exist. `transparent` is the strips'
    // background alpha out of 255.
    void build(double transparent);
    bool built() const { return m_toolGroundView != nullptr; }

    struct Texts {
        QMap<QString, QString> tooltips;  // by the tables' tooltip keys
        QString logoTooltip;
    };
    // Places, shows, hides and marks the controls as `state` says. `viewHeight` turns the
    // state's bottom-left rectangles into widget positions.
    void sync(const StripsState& state, double viewHeight, bool undoDisabled, const Texts& texts);
    // The hidden colour well takes the colour of swatch `swatch`.
    void showCurrentColor(int swatch);
    // Takes the hover mark off the undo, save, exit and finish buttons.
    void clearHover();

    NSMyPopUpButton* txtSizeButton() const { return m_popUp; }
    QWidget* toolGroundView() const { return m_toolGroundView; }
    QWidget* colorGroundView() const { return m_colorGroundView; }
    // The control a table row made, by its member name; null before build().
    QAbstractButton* control(const QString& member) const;

signals:
    void triggered(StripAction action, int tag);
    void fontSizeChosen(int index);

private:
    QWidget* makeStrip(double width, double height, double transparent);
    void addControls(QWidget* strip, const std::vector<StripItem>& items, double transparent);

    QWidget* m_window;
    const Artwork& m_artwork;
    QWidget* m_toolGroundView = nullptr;
    QWidget* m_colorGroundView = nullptr;
    NSMyPopUpButton* m_popUp = nullptr;
    NSColorButton* m_currentColorView = nullptr;
    struct Made {
        const StripItem* item;
        QAbstractButton* button;
    };
    std::vector<Made> m_controls;
};
