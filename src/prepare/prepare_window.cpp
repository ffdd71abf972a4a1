#include "prepare/prepare_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "controls/special_button.h"
#include "platform/window_state.h"
#include "prepare/prepare_layout.h"

namespace {

using namespace prepare_layout;

constexpr int kStartDelayMs = 100;
// The panel normally leaves the screen within a few milliseconds; should the server never
// say so, the capture still starts rather than leave the host waiting.
constexpr int kOffScreenLimitMs = 2000;
constexpr int kPollMs = 5;

// A frame inside the panel (view coordinates) as a Qt rectangle in the window.
QRect toWindow(const Rect& r) {
    return QRect(int(r.x), int(kHeight - r.y - r.height), int(r.width), int(r.height));
}

QFont arial(int size) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(size);  // points of the layout are Qt's device-independent pixels
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, const Rect& frame, int size,
                  const QColor& color) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // texts come from the host
    label->setText(text);
    label->setFont(arial(size));
    label->setGeometry(toWindow(frame));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setIndent(2);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);  // drags go to the window
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    return label;
}

}  // namespace

PrepareView::PrepareView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PrepareView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(toWindow(kTitleBand), QColor(44, 112, 183, 185));
    QPen pen(QColor(47, 71, 82, 230));
    pen.setWidthF(0.9);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing);
    const double lineY = kHeight - kTitleBand.y;
    painter.drawLine(QPointF(0, lineY), QPointF(kWidth, lineY));
    // Centred on the window's edge, as the frame is: its outer half falls outside.
    painter.drawRect(QRectF(0, 0, kWidth, kHeight));
}

PrepareStartButton::PrepareStartButton(QWidget* parent) : NSColorButton(parent) {}

void PrepareStartButton::paintEvent(QPaintEvent* event) {
    NSColorButton::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

PrepareWindow::PrepareWindow(const UiTexts& texts, PrepareActions actions, WindowState* windowState,
                             QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_texts(texts),
      m_actions(std::move(actions)),
      m_windowState(windowState),
      m_translucent(windowState && windowState->compositingManagerRuns()) {
    // An ARGB window only where something blends it; without a compositing manager the
    // alpha would come out as black, so the same colour is then drawn opaque.
    if (m_translucent) setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(int(kWidth), int(kHeight));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) rectScreen = screen->geometry();

    myView = new PrepareView(this);
    myView->setGeometry(rect());

    cancelButton = new SpecialNSButton(&m_artwork, this);
    cancelButton->setForImage(QStringLiteral("close"), {0, 0, 20, 20}, {0, 0, 20, 20});
    cancelButton->setForeHoverImage(QStringLiteral("close_h"));
    cancelButton->setGeometry(toWindow(kCloseButton));
    cancelButton->setFocusPolicy(Qt::NoFocus);
    connect(cancelButton, &QAbstractButton::clicked, this, &PrepareWindow::onCancel);

    okButton = new PrepareStartButton(this);
    okButton->setText(m_texts.prepareButtonText);
    okButton->setFont(arial(13));
    okButton->setBkColor(QColor(47, 71, 82, 20));
    okButton->setGeometry(toWindow(kStartButton));
    okButton->setFocusPolicy(Qt::NoFocus);
    connect(okButton, &QAbstractButton::clicked, this, &PrepareWindow::onOK);

    titleShow = makeLabel(this, m_texts.prepareTitleText, kTitleLabel, 13, QColor(255, 255, 255));
    infoShow = makeLabel(this, m_texts.prepareInfoText, kInfoLine, 12, QColor(33, 33, 33));
    infoShow2 = makeLabel(this, m_texts.prepareInfoText2, kInfoLine2, 12, QColor(33, 33, 33));

    m_startPoll.setInterval(kPollMs);
    connect(&m_startPoll, &QTimer::timeout, this, &PrepareWindow::pollStart);
}

QColor PrepareWindow::backgroundColor() const {
    return QColor(208, 235, 255, m_translucent ? 220 : 255);
}

void PrepareWindow::showPrepare() {
    titleShow->setText(shownTitle(m_texts.prepareTitleText, preWindowTitleString()));
    cancelButton->setIsHover(false);
    centerOnScreen();
    show();
    // Both: raise() alone leaves the keyboard where it was under some window managers.
    raise();
    activateWindow();
}

void PrepareWindow::centerOnScreen() {
    move(rectScreen.x() + (rectScreen.width() - width()) / 2,
         rectScreen.y() + (rectScreen.height() - height()) / 2);
}

void PrepareWindow::onOK() {
    if (m_startPoll.isActive()) return;
    // Found while the panel is mapped: after the unmap the window manager drops its frame.
    m_topLevel = m_windowState ? m_windowState->screenTopLevel(uintptr_t(winId())) : 0;
    if (m_actions.startRequested) m_actions.startRequested();
    hide();
    m_sinceHide.start();
    m_offScreen = false;
    m_startPoll.start();
    pollStart();
}

void PrepareWindow::pollStart() {
    const qint64 elapsed = m_sinceHide.elapsed();
    if (!m_offScreen) {
        m_offScreen = !m_windowState || m_windowState->isOffScreen(m_topLevel) ||
                      elapsed >= kOffScreenLimitMs;
        if (!m_offScreen) return;
        // Once more, so that the windows it uncovered have been sent their expose events.
        if (m_windowState) m_windowState->isOffScreen(m_topLevel);
    }
    if (elapsed < kStartDelayMs) return;
    m_startPoll.stop();
    if (m_actions.doCapture) m_actions.doCapture();
}

void PrepareWindow::onCancel() {
    m_startPoll.stop();
    hide();
    if (m_actions.cancel) m_actions.cancel();
}

void PrepareWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    onCancel();
}

void PrepareWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), backgroundColor());
}

void PrepareWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    startLocation = event->position().toPoint();
    m_dragging = true;
}

void PrepareWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    // Where the press point would be under the pointer, in view coordinates of the screen.
    const QPoint topLeft = event->globalPosition().toPoint() - startLocation - rectScreen.topLeft();
    const Point origin{double(topLeft.x()), rectScreen.height() - topLeft.y() - kHeight};
    const Point kept =
        clampedOrigin(origin, {double(rectScreen.width()), double(rectScreen.height())});
    move(rectScreen.x() + int(kept.x),
         rectScreen.y() + int(rectScreen.height() - kept.y - kHeight));
}

void PrepareWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void PrepareWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        onCancel();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
