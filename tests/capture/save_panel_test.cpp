// Saving from a capture on the offscreen platform, with fakes: the save dialog's texts and
// place, the capture holding still while it is open, and what a confirmed, dismissed or failed
// save leaves behind.
#include "capture/save_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app/app_delegate.h"
#include "capture/capture_annotations.h"
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/save_name.h"
#include "platform/window_state.h"
#include "support/fake_platform.h"
#include "support/geometry_printers.h"
#include "support/result_file.h"
#include "support/test_images.h"
#include "support/widget_events.h"

namespace {

// The selection every test drags, in widget coordinates on the 1440 x 900 screen.
const QRectF kSelection(300, 200, 600, 400);
const Rect kSelectionView{300, 300, 600, 400};

class SaveTest : public ::testing::Test {
protected:
    SaveTest() { platform.grabber.desktop = test_images::positionImage(1440, 900); }

    void start(QJsonObject command = {}) {
        command.insert("DataSavePath", dir.filePath("result.json"));
        window = std::make_unique<CaptureWindow>(platform.services(), texts, 0);
        window->setCaptureParam(launchRequestFrom(command, 0));
        window->doCapture();
        sendDrag(window->view(), kSelection.topLeft(),
                 {kSelection.center(), kSelection.bottomRight()});
        ASSERT_EQ(window->captureWindowRect(), kSelectionView);
    }
    NSCostomSavePanel& openPanel() {
        window->onSave();
        EXPECT_TRUE(window->savePanelOpen());
        return *window->savePanel();
    }
    // Types `name` into the open panel and confirms it.
    void confirm(const QString& name) {
        NSCostomSavePanel& panel = *window->savePanel();
        panel.findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog&>(panel).accept();  // QFileDialog::accept, as its Save button does
    }
    std::optional<QJsonObject> result() const {
        return readResultFile(dir.filePath("result.json"));
    }
    void sendKey(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &press);
    }

    QTemporaryDir dir;
    FakePlatform platform;
    UiTexts texts;
    std::unique_ptr<CaptureWindow> window;
};

TEST_F(SaveTest, PanelProposesThePrefixAndTheTimeAndTakesThePromptAsItsTitle) {
    platform.clock.time.seconds = QDateTime(QDate(2027, 1, 1), QTime(0, 0, 7)).toSecsSinceEpoch();
    start({{"SetSaveName", "<b>shot</b>_"},
           {"SetToolbarText", "0|1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|<i>Where?</i>"}});
    NSCostomSavePanel& panel = openPanel();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(panel.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(panel.windowTitle(), "<i>Where?</i>") << "the host's text as it stands";
    EXPECT_EQ(panel.findChild<QLineEdit*>("fileNameEdit")->text(), "<b>shot</b>_20270101000007");
    EXPECT_TRUE(platform.clipboard.prepared) << "the clipboard's helper starts meanwhile";
}

TEST_F(SaveTest, PanelStandsCentredThirtyPointsBelowTheScreensTop) {
    start();
    NSCostomSavePanel& panel = openPanel();
    const QRect frame = panel.frameGeometry();
    EXPECT_EQ(frame.top(), 30);
    EXPECT_NEAR(frame.center().x(), 720, 1);
}

// Where the window system would not put a dialog over the capture (Mutter), the panel is drawn
// inside the capture window, where the rule places it, its title on a label above it; it still
// saves.
TEST_F(SaveTest, PanelInsideTheCaptureWindowWhereDialogsAreNotPlacedOverIt) {
    struct PlacedLikeAnyWindow : WindowState {
        bool compositingManagerRuns() override { return true; }
        uintptr_t screenTopLevel(uintptr_t) override { return 0; }
        bool isOffScreen(uintptr_t) override { return true; }
        bool placesDialogsOverTheirWindow() override { return false; }
    } mutter;
    PlatformServices services = platform.services();
    services.windowState = &mutter;
    window = std::make_unique<CaptureWindow>(services, texts, 0);
    window->setCaptureParam(launchRequestFrom({{"DataSavePath", dir.filePath("result.json")}}, 0));
    window->doCapture();
    sendDrag(window->view(), kSelection.topLeft(), {kSelection.center(), kSelection.bottomRight()});
    NSCostomSavePanel& panel = openPanel();
    EXPECT_FALSE(panel.isWindow()) << "a widget of the capture window";
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.geometry().top(), 30);
    EXPECT_NEAR(panel.geometry().center().x(), 720, 1);
    const auto* title = window->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_TRUE(title != nullptr && title->isVisible());
    EXPECT_EQ(title->text(), panel.windowTitle());
    EXPECT_EQ(title->geometry().bottom() + 1, panel.geometry().top());
    confirm(dir.filePath("inside.png"));
    EXPECT_TRUE(QFile::exists(dir.filePath("inside.png")));
    EXPECT_FALSE(title->isVisible());
}

TEST_F(SaveTest, WhileOpenTheCaptureTakesNoInputAndNoCommand) {
    start();
    window->annotations().onCommand(StripAction::onRect);
    sendDrag(window->view(), {400, 300}, {{450, 350}, {500, 400}});
    ASSERT_TRUE(window->model().shapes().isHaveDrawed());
    openPanel();

    sendDrag(window->view(), {350, 250}, {{700, 500}, {800, 550}});      // would draw a rectangle
    sendMouse(window->view(), QEvent::MouseButtonDblClick, {500, 400});  // would finish
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_W, Qt::Key_Left}) sendKey(key);
    window->onOK();
    window->onCancel();
    window->onUndo();
    window->onSave();  // no second panel
    EXPECT_EQ(window->findChildren<NSCostomSavePanel*>().size(), 1u);

    EXPECT_FALSE(platform.processExit.status) << "nothing ended the capture";
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->captureWindowRect(), kSelectionView);
    EXPECT_EQ(window->model().shapes().getShapesCount(), 1) << "no shape drawn, none undone";
}

TEST_F(SaveTest, DismissingThePanelReturnsToTheCaptureAsItWas) {
    start();
    window->annotations().onCommand(StripAction::onRect);
    const CaptureState state = window->model().captureState();
    NSCostomSavePanel& panel = openPanel();
    panel.reject();  // what Escape and the Cancel button do
    EXPECT_FALSE(window->savePanelOpen());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(window->model().captureState(), state);
    EXPECT_EQ(window->captureWindowRect(), kSelectionView);
    EXPECT_FALSE(platform.processExit.status);
    EXPECT_TRUE(platform.clipboard.png.isEmpty());

    sendKey(Qt::Key_Escape);  // the capture takes keys again
    EXPECT_EQ(platform.processExit.status, 2);
    EXPECT_EQ(result()->value("Info").toString(), "") << "no saved path remembered";
}

TEST_F(SaveTest, ConfirmedNameWritesOnePngForFileAndClipboardAndReportsKindThree) {
    struct Row {
        const char* typed;
        const char* written;
    };
    const Row rows[] = {
        {"shot", "shot.png"},
        {"shot.png", "shot.png"},
        {"shot.PNG", "shot.PNG"},
        {"a.png.txt", "a.png.txt.png"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        platform = FakePlatform();
        platform.grabber.desktop = test_images::positionImage(1440, 900);
        start();
        openPanel();
        confirm(dir.filePath(row.typed));
        const QString path = dir.filePath(row.written);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n")) << "PNG data";
        EXPECT_TRUE(bytes == platform.clipboard.png) << "one encoding for both";
        const QImage saved = QImage::fromData(bytes, "PNG");
        ASSERT_EQ(saved.size(), QSize(600, 400));
        EXPECT_EQ(saved.pixel(0, 0), platform.grabber.desktop.pixel(300, 200));
        EXPECT_EQ(saved.pixel(599, 399), platform.grabber.desktop.pixel(899, 599));

        EXPECT_EQ(platform.processExit.status, 3);
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->followTimerActive());
        const QJsonObject r = result().value_or(QJsonObject());
        EXPECT_EQ(r["Type"].toInt(), 3);
        EXPECT_EQ(r["Info"].toString(), path);
        EXPECT_EQ(r["Width"].toInt(), 600);
        EXPECT_TRUE(platform.log.has("save success."));
        QFile::remove(path);
    }
}

TEST_F(SaveTest, FailedWriteTellsTheUserAndTheCaptureGoesOn) {
    QFile plain(dir.filePath("somefile"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    start({{"Ex", 1}});
    bool panelOpenDuringWarning = true;
    platform.dialogs.onWarning = [&] { panelOpenDuringWarning = window->savePanelOpen(); };
    openPanel();
    confirm(dir.filePath("somefile/x"));  // a folder that is a regular file

    ASSERT_EQ(platform.dialogs.warnings.size(), 1u);
    const AlertTexts& warning = platform.dialogs.warnings[0];
    EXPECT_EQ(warning.message, "The image could not be saved.");
    EXPECT_FALSE(warning.informativeText.isEmpty()) << "the reason";
    EXPECT_FALSE(panelOpenDuringWarning);
    // A line of its own: "save failed:" is the result file's.
    const QString logged = platform.log.lines.filter("image file not written:").value(0);
    EXPECT_EQ(logged, "image file not written:" + warning.informativeText);
    EXPECT_TRUE(platform.log.lines.filter("save failed:").isEmpty());
    EXPECT_FALSE(platform.processExit.status) << "no result";
    EXPECT_FALSE(result().has_value());
    EXPECT_TRUE(platform.clipboard.png.isEmpty()) << "the clipboard is left as it was";
    EXPECT_TRUE(window->isVisible());

    openPanel();  // another folder
    confirm(dir.filePath("second"));
    EXPECT_EQ(platform.processExit.status, 3);
    EXPECT_EQ(result()->value("Info").toString(), dir.filePath("second.png"));
}

TEST_F(SaveTest, FinishingAfterAFailedSaveFillsTheClipboard) {
    start();
    openPanel();
    confirm("/proc/version/x");  // also fails for root
    ASSERT_EQ(platform.dialogs.warnings.size(), 1u);
    sendKey(Qt::Key_Return);
    EXPECT_EQ(platform.processExit.status, 1);
    EXPECT_EQ(platform.clipboard.image.size(), QSize(600, 400));
}

TEST_F(SaveTest, AnotherApplicationBecomingActiveWhileTheDialogIsOpenLosesNothing) {
    QFile params(dir.filePath("params.json"));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write("{}");
    params.close();
    AppDelegate delegate(platform.services());
    delegate.applicationDidFinishLaunching({"/bin/q", "startfromlocal," + params.fileName() + "," +
                                                          dir.filePath("result.json") +
                                                          ",,0,0,0,0,0,0"});
    CaptureWindow& w = delegate.captureWindow();
    sendDrag(w.view(), kSelection.topLeft(), {kSelection.bottomRight()});
    delegate.onApplicationStateChanged(Qt::ApplicationActive);
    w.onSave();
    ASSERT_TRUE(w.savePanelOpen());
    delegate.onApplicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(w.savePanelOpen()) << "the dialog stays";
    EXPECT_FALSE(platform.processExit.status) << "the capture stays";

    delegate.onApplicationStateChanged(Qt::ApplicationActive);
    w.savePanel()->reject();
    delegate.onApplicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(platform.processExit.status, 2) << "without the dialog, leaving cancels again";
}

TEST_F(SaveTest, PanelLeavesThePointerToTheCapture) {
    start();
    NSCostomSavePanel& panel = openPanel();
    // A modal dialog would have Qt drop every mouse event of the capture window, pointer
    // moves included; the capture ignores presses, drags and keys itself.
    EXPECT_EQ(panel.windowModality(), Qt::NonModal);
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    sendMouse(window->view(), QEvent::MouseMove, {300, 400}, false);  // on the left edge
    EXPECT_EQ(window->lastCursor(), CursorKind::LeftRight);
}

// The name typed and the file that would be replaced, with the answer to the question.
TEST_F(SaveTest, ReplacingTheFileReallyWrittenIsAskedFirst) {
    struct Row {
        const char* typed;
        const char* existing;
        const char* asked;  // nullptr: no question
        bool answer;
    };
    const Row rows[] = {
        {"shot", "shot.png", "shot.png", false},      // ".png" is added: ask about shot.png
        {"shot", "shot.png", "shot.png", true},       // agreed: replaced
        {"shot.png", "shot.png", "shot.png", false},  // as typed
        {"shot", "shot", nullptr, true},              // "shot" itself is not written
        {"other", "shot.png", nullptr, true},         // nothing to replace
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.typed) + " over " + row.existing +
                     (row.answer ? " yes" : " no"));
        platform = FakePlatform();
        platform.grabber.desktop = test_images::positionImage(1440, 900);
        QFile existing(dir.filePath(row.existing));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("kept");
        existing.close();
        start();
        NSCostomSavePanel& panel = openPanel();
        QStringList asked;
        panel.confirmReplace = [&](const QString& name) {
            asked << name;
            return row.answer;
        };
        confirm(dir.filePath(row.typed));
        EXPECT_EQ(asked, row.asked ? QStringList{row.asked} : QStringList{});
        const QString written = dir.filePath(pngSavePath(row.typed));
        QFile file(dir.filePath(row.existing));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        if (row.asked && !row.answer) {
            EXPECT_EQ(file.readAll(), "kept") << "the file is left alone";
            EXPECT_TRUE(window->savePanelOpen()) << "back in the dialog";
            EXPECT_FALSE(platform.processExit.status);
            panel.reject();
        } else {
            EXPECT_EQ(platform.processExit.status, 3);
            EXPECT_EQ(result()->value("Info").toString(), written);
            EXPECT_TRUE(QFile(written).size() > 8);
        }
        file.close();
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) {
            if (name != "result.json") QFile::remove(dir.filePath(name));
        }
    }
}

}  // namespace
