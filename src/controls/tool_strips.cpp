#include "controls/tool_strips.h"

#include <QPainter>
#include <QWidget>

#include "controls/color_button.h"
#include "controls/popup_button.h"
#include "controls/special_button.h"
#include "platform/view_transform.h"

namespace {

const QColor kStripColor(24, 24, 24);
constexpr double kCornerRadius = 4;

// A strip: a dark rounded rectangle whose alpha comes from the parameters.
class StripView : public QWidget {
public:
    StripView(QWidget* parent, double alpha) : QWidget(parent), m_alpha(alpha) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor color = kStripColor;
        color.setAlphaF(std::clamp(m_alpha / 255.0, 0.0, 1.0));
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    }

private:
    double m_alpha;
};

QColor qtColor(const Color& c) {
    return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
}

// A frame in a strip (origin bottom-left) as a widget geometry (origin top-left).
QRect inStrip(const Rect& frame, double stripHeight) {
    return qtRectFromView(frame, stripHeight).toRect();
}

}  // namespace

ToolStrips::ToolStrips(QWidget* window, const Artwork& artwork)
    : QObject(window), m_window(window), m_artwork(artwork) {}

QWidget* ToolStrips::makeStrip(double width, double height, double transparent) {
    auto* strip = new StripView(m_window, transparent);
    strip->setGeometry(0, 0, static_cast<int>(width), static_cast<int>(height));
    strip->hide();
    return strip;
}

void ToolStrips::build(double transparent) {
    if (built()) return;
    m_toolGroundView = makeStrip(kToolbarWidth, kToolbarHeight, transparent);
    addControls(m_toolGroundView, toolbarItems(), transparent);
    m_colorGroundView = makeStrip(kColorbarWidth, kColorbarHeight, transparent);
    addControls(m_colorGroundView, colorbarItems(), transparent);
}

void ToolStrips::addControls(QWidget* strip, const std::vector<StripItem>& items,
                             double transparent) {
    const double height = strip->height();
    for (const StripItem& item : items) {
        QAbstractButton* control = nullptr;
        switch (item.control) {
            case StripControl::PopUp: {
                m_popUp = new NSMyPopUpButton(strip);
                for (const FontSizeItem& size : kFontSizes) {
                    m_popUp->addItemWithTitle(QString::fromLatin1(size.title));
                }
                m_popUp->selectItemAtIndex(4);
                m_popUp->setTitle(QStringLiteral("%1pt").arg(kDefaultTextPoints));
                m_popUp->setNeedCustomDraw(true);
                connect(m_popUp, &NSMyPopUpButton::itemChosen, this, &ToolStrips::fontSizeChosen);
                control = m_popUp;
                break;
            }
            case StripControl::ColorWell:
                m_currentColorView = new NSColorButton(strip);
                m_currentColorView->setBkColor(qtColor(palette()[0].color));
                m_currentColorView->hide();
                control = m_currentColorView;
                break;
            case StripControl::ImageButton: {
                auto* button = new SpecialNSButton(&m_artwork, strip);
                button->setForImage(item.fore, item.foreSrc, item.foreDst);
                if (!item.foreHover.isEmpty()) button->setForeHoverImage(item.foreHover);
                if (!item.disabledImage.isEmpty()) button->setDisableImage(item.disabledImage);
                if (!item.hoverAndPush.isEmpty()) {
                    button->setHoverAndPushImage(item.hoverAndPush, item.hoverAndPush, item.backSrc,
                                                 item.backDst);
                }
                if (item.tag >= 0) {
                    QColor fill = kStripColor;
                    fill.setAlphaF(std::clamp(transparent / 255.0, 0.0, 1.0));
                    button->setBkDrawColor(fill);
                    button->setBkColor(qtColor(palette()[item.tag].color));
                }
                button->setDisabled(item.drawnDisabled);
                control = button;
                break;
            }
        }
        control->setGeometry(inStrip(item.frame, height));
        control->setFocusPolicy(Qt::NoFocus);
        if (item.action != StripAction::None && item.control != StripControl::PopUp) {
            const StripAction action = item.action;
            const int tag = item.tag;
            connect(control, &QAbstractButton::clicked, this,
                    [this, action, tag] { emit triggered(action, tag); });
        }
        m_controls.push_back({&item, control});
    }
}

QAbstractButton* ToolStrips::control(const QString& member) const {
    for (const Made& made : m_controls) {
        if (made.item->member == member) return made.button;
    }
    return nullptr;
}

void ToolStrips::clearHover() {
    for (const Made& made : m_controls) {
        const StripAction a = made.item->action;
        if (a == StripAction::onUndo || a == StripAction::onSave || a == StripAction::onCancel ||
            a == StripAction::onOK) {
            static_cast<SpecialNSButton*>(made.button)->setIsHover(false);
        }
    }
}

void ToolStrips::sync(const StripsState& state, double viewHeight, bool undoDisabled,
                      const Texts& texts) {
    if (!built()) return;
    const auto place = [viewHeight](QWidget* strip, bool shown, const Rect& rect) {
        if (shown) {
            strip->setGeometry(qtRectFromView(rect, viewHeight).toRect());
            strip->raise();
        }
        strip->setVisible(shown);
    };
    place(m_toolGroundView, state.toolbarShown(), state.toolbarRect());
    place(m_colorGroundView, state.colorbarShown(), state.colorbarRect());

    const double colorbarHeight = m_colorGroundView->height();
    for (const Made& made : m_controls) {
        const StripItem& item = *made.item;
        if (!item.tooltipKey.isEmpty())
            made.button->setToolTip(texts.tooltips.value(item.tooltipKey));
        auto* button = qobject_cast<SpecialNSButton*>(made.button);
        switch (item.action) {
            case StripAction::onRect:
            case StripAction::onEllipse:
            case StripAction::onArrow:
            case StripAction::onBrush:
            case StripAction::onGlitter:
            case StripAction::onMosaic:
            case StripAction::onText:
                button->setSelected(state.selectedTool() == item.action);
                break;
            case StripAction::onUndo:
                button->setDisabled(undoDisabled);
                button->update();
                break;
            case StripAction::onLittle:
            case StripAction::onMid:
            case StripAction::onBig: {
                button->setSelected(state.selectedPenSize() == penSizeOf(item.action));
                button->setVisible(!state.textType());
                break;
            }
            case StripAction::onChangeColorEx:
                button->setSelected(state.selectedSwatch() == item.tag);
                button->setVisible(!state.swatchesHidden());
                break;
            case StripAction::handlePopBtn:
                made.button->setVisible(state.textType());
                break;
            default:
                break;
        }
        if (item.member == QLatin1String("logoBtn")) {
            made.button->setToolTip(texts.logoTooltip);
            Rect frame = item.frame;
            frame.x = state.logoX();
            made.button->setGeometry(inStrip(frame, colorbarHeight));
        }
    }
}

void ToolStrips::showCurrentColor(int swatch) {
    if (m_currentColorView && swatch >= 0 && swatch < kSwatchCount) {
        m_currentColorView->setBkColor(qtColor(palette()[swatch].color));
    }
}
