// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The running program: start-up, the File menu, the child windows, the
// panel's handlers wired to the canvas, and run-time errors.

#include "files/dialogs.h"
#include "panel/controlpanel.h"
#include "pixels.h"
#include "screen/twips.h"
#include "shell/canvaswindow.h"
#include "shell/childframe.h"
#include "shell/mainwindow.h"
#include "shell/program.h"
#include "sim/command/fields.h"
#include "sim/rules/drawsettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

using namespace vorlane;

Q_DECLARE_METATYPE(std::exception_ptr)
using test::countPixels;
using test::filledWith;
using test::greyPixel;

namespace {

// File dialogs that answer from a list and note what was asked.
class FakeDialogs final : public files::Dialogs {
public:
    QList<std::optional<QString>> answers;
    QList<files::FileRequest> requests;
    QWidget* owner = nullptr;
    std::exception_ptr fault; // thrown once by the next dialog
    QString typedInto;        // when set, a modal dialog asks for a name in this folder

    std::optional<QString> chooseFile(const files::FileRequest& request) override {
        requests << request;
        if (fault)
            std::rethrow_exception(std::exchange(fault, nullptr));
        if (!typedInto.isEmpty()) {
            QDialog dialog(owner);
            auto* name = new QLineEdit(&dialog);
            QObject::connect(name, &QLineEdit::returnPressed, &dialog, &QDialog::accept);
            if (dialog.exec() != QDialog::Accepted)
                return std::nullopt;
            return QDir(typedInto).filePath(name->text());
        }
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    void inform(const QString&, const QString&) override {}
    bool confirm(const QString&, const QString&) override { return true; }
    void reportError(const QString&, const QString&) override {}
};

// Closes the next message box that comes up and keeps its text.
class MessageBoxCloser : public QObject {
public:
    QString text;
    Qt::TextFormat format = Qt::AutoText;

    MessageBoxCloser() {
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                format = box->textFormat();
                box->accept();
                timer_.stop();
            }
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

// Sees every event of the application, before anything else does.
class Watcher : public QObject {
public:
    explicit Watcher(std::function<void(QObject*, QEvent*)> seen) : seen_(std::move(seen)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        seen_(target, event);
        return false;
    }

private:
    std::function<void(QObject*, QEvent*)> seen_;
};

// Drags a child window by its title bar, as the user does with the mouse.
class ChildFrameDrag {
public:
    explicit ChildFrameDrag(QMdiSubWindow& frame) : frame_(frame) {}
    QMdiSubWindow& frame() const { return frame_; }

    void dragTo(QPoint topLeft) {
        const QPoint grip(frame_.width() / 2, titleHeight() / 2);
        // The frame learns that its title is under the pointer.
        QTest::mouseMove(&frame_, grip - QPoint(1, 0));
        QTest::mouseMove(&frame_, grip);
        QTest::mousePress(&frame_, Qt::LeftButton, {}, grip);
        const QPoint start = frame_.pos();
        for (int i = 1; i <= 4; ++i) // in steps; the pointer keeps its place on the frame
            QTest::mouseMove(&frame_, start + (topLeft - start) * i / 4 - frame_.pos() + grip);
        QTest::mouseRelease(&frame_, Qt::LeftButton, {}, grip);
    }

    // A third of the title bar at least can be seen and grabbed.
    bool reachable(const QWidget& area) const {
        const QRect title(frame_.pos(), QSize(frame_.width(), titleHeight()));
        const QRect seen = title & area.rect();
        return seen.height() == title.height() && seen.width() >= title.width() / 3 &&
               area.childAt(seen.center()) == &frame_;
    }

private:
    int titleHeight() const { return frame_.widget()->y(); }

    QMdiSubWindow& frame_;
};

bool within(float twips, float expected) {
    return std::fabs(twips - expected) <= screen::twipsPerPixel() / 2.0;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<shell::Program> program_;
    FakeDialogs* dialogs_ = nullptr;
    sim::WindowSize mainAtLoad_;

    shell::Forms& forms() { return program_->forms(); }
    shell::MainWindow& main() { return forms().main(); }
    QMdiSubWindow& canvasFrame() {
        return *qobject_cast<QMdiSubWindow*>(forms().f1().hWnd()->parentWidget());
    }
    QWidget& control(const char* name) { return forms().fc1().control(QString::fromLatin1(name)); }
    void setField(const char* name, const char* text) {
        forms().fc1().setFieldText(QString::fromLatin1(name), QString::fromLatin1(text));
    }
    void click(const char* button) { forms().fc1().button(QString::fromLatin1(button)).click(); }
    QStringList panelTabOrderFrom(const char* first, int count) {
        QStringList names;
        control(first).setFocus();
        for (int i = 0; i < count; ++i) {
            names << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return names;
    }

    // Lines enough for a drawing of about a second on this machine and
    // build: well past its first progress report, and no longer than it
    // needs to be. The quicker of two, the first paying for a start.
    int longDrawing_ = 0;
    void measureALongDrawing() {
        constexpr int kLines = 50000;
        setField("txtlines", QByteArray::number(kLines).constData());
        qint64 quickest = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer clock;
            clock.start();
            click("cmdhex");
            quickest = std::min(quickest, clock.elapsed());
        }
        longDrawing_ = int(std::max<qint64>(kLines, kLines * 1000 / std::max<qint64>(1, quickest)));
    }

    // What a person's input left behind.
    struct Outcome {
        QStringList fields;
        QString focus;
        QStringList files; // each written file's name and a hash of its content
        QImage canvas;
    };

    // Where a step's control is on the screen: a panel control, the File
    // menu, or one of its items where the open menu showed it.
    QHash<QString, QPoint> places_;
    QPoint place(const QString& name) {
        auto* file = main().findChild<QMenu*>(QStringLiteral("file"));
        if (name == QLatin1String("file")) {
            QMenuBar& bar = *main().menuBar();
            return bar.mapToGlobal(bar.actionGeometry(file->menuAction()).center());
        }
        if (const auto item = main().findChild<QAction*>(name); item && file->isVisible())
            places_[name] = file->mapToGlobal(file->actionGeometry(item).center());
        if (places_.contains(name))
            return places_[name];
        const QWidget& widget = control(name.toLatin1().constData());
        return widget.mapToGlobal(widget.rect().center());
    }

    // One step as the window system brings it: "click txtsky", "key Ctrl+A",
    // "type 750". Keys go to the window that has the keyboard.
    void act(const QString& step) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString what = step.section(QLatin1Char(' '), 1);
        QWindow* main = this->main().windowHandle();
        QWindow* keys = QApplication::activeModalWidget()
                            ? QApplication::activeModalWidget()->windowHandle()
                            : main;
        if (verb == QLatin1String("key")) {
            const QKeyCombination key = QKeySequence(what)[0];
            QTest::keyClick(keys, key.key(), key.keyboardModifiers());
        } else if (verb == QLatin1String("type")) {
            for (const QChar c : what)
                QTest::keyClick(keys, c.toLatin1());
        } else {
            const QPoint at = main->mapFromGlobal(place(what));
            if (verb == QLatin1String("click"))
                QTest::mouseClick(main, Qt::LeftButton, {}, at);
            else if (verb == QLatin1String("doubleclick"))
                QTest::mouseDClick(main, Qt::LeftButton, {}, at);
            else if (verb == QLatin1String("press"))
                QTest::mousePress(main, Qt::LeftButton, {}, at);
            else
                QTest::mouseRelease(main, Qt::LeftButton, {}, at);
        }
    }
    // The steps in turn, each once the one before has returned or has
    // opened a dialog, which then gets the next ones. Each turn is a timer of
    // its own, since a timer does not fire again while its slot runs.
    void actInTurn(QStringList steps) {
        bool acting = false;
        const QWidget* actingUnder = nullptr;
        // The turn still asked for when the steps are done dies with it.
        const QObject turns;
        std::function<void()> turn = [&] {
            if (steps.isEmpty())
                return;
            QTimer::singleShot(20, &turns, turn);
            if (acting && QApplication::activeModalWidget() == actingUnder)
                return;
            acting = true;
            actingUnder = QApplication::activeModalWidget();
            act(steps.takeFirst());
            acting = false;
        };
        turn();
        QTRY_VERIFY_WITH_TIMEOUT(steps.isEmpty() && !acting, 60000);
    }

    void outcomeOf(const QStringList& steps, bool duringTheDrawing, Outcome& outcome) {
        QTemporaryDir folder;
        dialogs_->typedInto = folder.path();
        // F13, which nothing takes, marks the end: it comes last, once no
        // drawing runs.
        bool ended = false;
        Watcher end([&](QObject* target, QEvent* event) {
            ended |= target->isWindowType() && event->type() == QEvent::KeyPress &&
                     static_cast<QKeyEvent*>(event)->key() == Qt::Key_F13 &&
                     main().windowTitle() == QLatin1String("Vorlane");
        });
        const QStringList all = steps + QStringList{"key F13"};
        setField("txtlines", QByteArray::number(longDrawing_).constData());
        bool wasDuring = false;
        if (duringTheDrawing)
            QTimer::singleShot(0, this, [&] {
                wasDuring = main().windowTitle().endsWith(QLatin1Char('%'));
                for (const QString& step : all)
                    act(step);
            });
        click("cmdhex");
        if (!duringTheDrawing)
            actInTurn(all);
        QTRY_VERIFY_WITH_TIMEOUT(ended, 60000);
        if (duringTheDrawing)
            QVERIFY2(wasDuring, "the steps came only after the drawing");
        for (const QLineEdit* field : forms().fc1().findChildren<QLineEdit*>())
            outcome.fields << field->objectName() + QLatin1Char('=') + field->text();
        outcome.focus =
            QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        for (const QFileInfo& file : QDir(folder.path()).entryInfoList(QDir::Files)) {
            QFile content(file.filePath());
            content.open(QIODevice::ReadOnly);
            outcome.files
                << file.fileName() + QLatin1Char(' ') +
                       QCryptographicHash::hash(content.readAll(), QCryptographicHash::Md5).toHex();
        }
        outcome.canvas = forms().f1().Image();
    }

private slots:
    void init() {
        program_ = std::make_unique<shell::Program>([this](QWidget* owner) {
            auto dialogs = std::make_unique<FakeDialogs>();
            dialogs->owner = owner;
            dialogs_ = dialogs.get();
            return dialogs;
        });
        // What the load step read: main is not shown yet.
        mainAtLoad_ = screen::outerSize(main());
        main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }

    void cleanup() { program_.reset(); }

    // Start-up.

    void mainHasItsCaptionAndDesignClientArea() {
        QCOMPARE(main().windowTitle(), QStringLiteral("Vorlane"));
        QCOMPARE(main().area().size(),
                 QSize(screen::sizePixels(11880.0f), screen::sizePixels(8595.0f)));
        QVERIFY(main().area().geometry().top() >= main().menuBar()->geometry().bottom());
    }

    // The window shows the icon that is installed for the desktop's menu, in
    // each size as drawn for it, not another size scaled.
    void mainHasTheInstalledIcon_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%d", size) << size;
    }

    void mainHasTheInstalledIcon() {
        QFETCH(int, size);
        const QImage installed(QStringLiteral(VORLANE_ICON_DIR "/vorlane-%1.png").arg(size));
        QCOMPARE(installed.size(), QSize(size, size));
        QCOMPARE(main()
                     .windowIcon()
                     .pixmap(installed.size())
                     .toImage()
                     .convertToFormat(installed.format()),
                 installed);
    }

    void loadStepFitsTheCanvasIntoMain() {
        shell::CanvasWindow& f1 = forms().f1();
        QVERIFY(within(f1.height(), mainAtLoad_.height - 750.0f));
        QVERIFY(within(f1.width(), mainAtLoad_.width - 200.0f));
        QCOMPARE(canvasFrame().pos(), QPoint(0, 0));
        QVERIFY(canvasFrame().isVisible());
        QVERIFY(filledWith(f1.Image(), greyPixel(255)));
    }

    void loadStepPlacesThePanelAboveTheCanvas() {
        shell::ChildFrame& panel = forms().fc1Frame();
        QCOMPARE(panel.pos(),
                 QPoint(screen::positionPixels(50.0f), screen::positionPixels(200.0f)));
        QVERIFY(panel.isVisible());
        QCOMPARE(panel.windowTitle(), QStringLiteral("Controls"));
        QCOMPARE(forms().fc1().size(),
                 QSize(screen::sizePixels(1980.0f), screen::sizePixels(6330.0f)));
        QCOMPARE(main().area().subWindowList(QMdiArea::StackingOrder).constLast(), &panel);
        QCOMPARE(main().area().subWindowList().size(), 2);
    }

    void eachWindowExistsOnceWhicheverIsAskedForFirst() {
        program_.reset();
        shell::Forms forms;
        shell::CanvasWindow& f1 = forms.f1();
        QCOMPARE(&forms.f1(), &f1);
        QCOMPARE(forms.main().area().subWindowList().size(), 2);
        QCOMPARE(f1.hWnd()->parentWidget()->pos(), QPoint(0, 0));
        QVERIFY(f1.height() < screen::outerSize(forms.main()).height);
    }

    void resizingMainLeavesTheChildWindowsAlone() {
        const QRect canvas = canvasFrame().geometry();
        const QRect panel = forms().fc1Frame().geometry();
        main().resize(main().size() + QSize(200, 100));
        QTRY_COMPARE(main().area().width(), screen::sizePixels(11880.0f) + 200);
        QCOMPARE(canvasFrame().geometry(), canvas);
        QCOMPARE(forms().fc1Frame().geometry(), panel);
    }

    // The panel's title bar stays within reach, whatever is dragged or
    // resized; the canvas stays where it is.
    void thePanelCannotBeLost_data() {
        QTest::addColumn<QPoint>("dragTo");  // from the area's bottom-right corner
        QTest::addColumn<QSize>("mainSize"); // afterwards, if any
        QTest::addColumn<bool>("moved");
        QTest::newRow("dragged past the bottom-right corner") << QPoint(20, 20) << QSize() << true;
        QTest::newRow("dragged into the corner, main shrinks")
            << QPoint(-150, -60) << QSize(500, 400) << true;
        QTest::newRow("dragged above the top-left corner")
            << QPoint(-2000, -2000) << QSize() << true;
        QTest::newRow("half out to the right") << QPoint(-100, -300) << QSize() << false;
        QTest::newRow("main shrinks narrower than the panel")
            << QPoint(-150, -300) << QSize(100, 300) << true;
    }

    void thePanelCannotBeLost() {
        QFETCH(QPoint, dragTo);
        QFETCH(QSize, mainSize);
        ChildFrameDrag panel(forms().fc1Frame());
        const QRect canvas = canvasFrame().geometry();
        QWidget& area = *main().area().viewport();
        const QPoint target = QPoint(area.width(), area.height()) + dragTo;
        panel.dragTo(target);
        if (!mainSize.isEmpty()) {
            QCOMPARE(panel.frame().pos(), target); // in view after the drag
            main().resize(mainSize);
        }
        QTRY_VERIFY2(panel.reachable(area), qPrintable(QStringLiteral("at %1, %2 in %3 x %4")
                                                           .arg(panel.frame().x())
                                                           .arg(panel.frame().y())
                                                           .arg(area.width())
                                                           .arg(area.height())));
        QTEST(panel.frame().pos() != target, "moved");
        QCOMPARE(canvasFrame().geometry(), canvas);
    }

    // The child windows.

    void thePanelStaysAboveTheActivatedCanvas() {
        QMdiArea& area = main().area();
        QWidget* viewport = area.viewport();
        const QPoint inPanel = forms().fc1Frame().geometry().center();
        area.setActiveSubWindow(&canvasFrame());
        QCOMPARE(area.activeSubWindow(), &canvasFrame());
        QTRY_VERIFY(forms().fc1Frame().isAncestorOf(viewport->childAt(inPanel)));
        area.setActiveSubWindow(&forms().fc1Frame());
        QTest::mouseClick(forms().f1().hWnd(), Qt::LeftButton, {}, QPoint(400, 400));
        QTRY_COMPARE(area.activeSubWindow(), &canvasFrame());
        QTRY_VERIFY(forms().fc1Frame().isAncestorOf(viewport->childAt(inPanel)));
        QCoreApplication::processEvents();
        QVERIFY(forms().fc1Frame().isAncestorOf(viewport->childAt(inPanel)));
    }

    void theUserCannotCloseTheChildWindows() {
        QVERIFY(!(forms().fc1Frame().windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!forms().fc1Frame().close());
        QVERIFY(!canvasFrame().close());
        main().area().setActiveSubWindow(&forms().fc1Frame());
        QTest::keyClick(&forms().fc1Frame(), Qt::Key_F4, Qt::ControlModifier);
        QVERIFY(forms().fc1Frame().isVisible());
        QVERIFY(canvasFrame().isVisible());
        QCOMPARE(main().area().subWindowList().size(), 2);
    }

    void closingMainClosesTheProgramsWindows() {
        // Closing main, the last window, ends the event loop with status 0.
        QTimer::singleShot(0, &main(), [this] { QVERIFY(main().close()); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!main().isVisible());
        QVERIFY(!forms().fc1().isVisible());
        QVERIFY(!forms().f1().hWnd()->isVisible());
    }

    // The File menu.

    void fileMenuAsDesigned() {
        const QList<QAction*> bar = main().menuBar()->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar[0]->text(), QStringLiteral("   File"));
        const QList<QAction*> items = bar[0]->menu()->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0]->text(), QStringLiteral("   Save Parameters"));
        QCOMPARE(items[1]->text(), QStringLiteral("   Retrieve Parameters"));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3]->text(), QStringLiteral("  Save Image as BMP file"));
        QCOMPARE(items[0], &main().menuItem(QStringLiteral("savparam")));
        QCOMPARE(items[2], &main().menuItem(QStringLiteral("blank")));
        QCOMPARE(items[3], &main().menuItem(QStringLiteral("savim_menu")));
    }

    void theSeparatorCannotBeChosen() {
        QMenu* file = main().menuBar()->actions()[0]->menu();
        QAction* separator = &main().menuItem(QStringLiteral("blank"));
        file->popup(main().mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(separator).center());
        QVERIFY(file->activeAction() != separator);

        // The keyboard passes over it.
        file->popup(main().mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        QList<QAction*> visited;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(file, Qt::Key_Down);
            visited << file->activeAction();
        }
        file->close();
        QCOMPARE(visited, QList<QAction*>({&main().menuItem(QStringLiteral("savparam")),
                                           &main().menuItem(QStringLiteral("retparam")),
                                           &main().menuItem(QStringLiteral("savim_menu"))}));
        QVERIFY(dialogs_->requests.isEmpty());
    }

    void saveImageWritesTheCanvasPicture() {
        QTemporaryDir folder;
        const QString here = QDir::currentPath();
        forms().f1().setForeColor(sim::kYellow);
        forms().f1().line(0.0f, 0.0f, 200.0f, 100.0f);
        dialogs_->answers << folder.filePath(QStringLiteral("sky.bmp"));
        main().menuItem(QStringLiteral("savim_menu")).trigger();
        QDir::setCurrent(here);
        QCOMPARE(dialogs_->owner, forms().f1().hWnd());
        QCOMPARE(dialogs_->requests.size(), 1);
        QCOMPARE(dialogs_->requests[0].kind, files::FileRequest::Kind::Save);
        const QImage saved(folder.filePath(QStringLiteral("sky.bmp")));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), forms().f1().Image());
    }

    void parameterItemsAskForAFileEachTime() {
        for (int round = 0; round < 2; ++round) {
            main().menuItem(QStringLiteral("savparam")).trigger();
            main().menuItem(QStringLiteral("retparam")).trigger();
        }
        QCOMPARE(dialogs_->requests.size(), 4);
        QCOMPARE(dialogs_->requests[0].kind, files::FileRequest::Kind::Save);
        QCOMPARE(dialogs_->requests[1].kind, files::FileRequest::Kind::Open);
        QCOMPARE(forms().fc1().fieldText(QStringLiteral("txtlines")),
                 QString::fromLatin1(sim::ringDefault("txtlines")));
    }

    void f10OpensTheFileMenu() {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        auto* file = main().menuBar()->findChild<QMenu*>(QStringLiteral("file"));
        QTest::keyClick(&control("txtlines"), Qt::Key_F10);
        QTRY_VERIFY(file->isVisible());
        file->close();
    }

    // The panel in the program.

    void tabbingFromTheLastFieldReachesClearBeforeDrawRings() {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        QCOMPARE(panelTabOrderFrom("txtanglim", 3),
                 QStringList({"txtanglim", "cmdclear", "cmdhex"}));
    }

    void theFocusStartsInTheFirstFieldInSight() {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        QTRY_COMPARE(QApplication::focusWidget(), &control("txtsegmin"));
    }

    void focusFollowsTheTabNumbers() {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
        const QStringList order{
            "Command2",     "Command3",  "Command4",     "txtlam", "txtsegmin",
            "txtsegmax",    "txtlines",  "txtseglength", "txtsky", "txtscratchcol",
            "txtdrawwidth", "txtanglim", "cmdclear",     "cmdhex", "k2",
            "k3",           "k4",        "k5",           "k6"};
        QCOMPARE(panelTabOrderFrom("Command2", static_cast<int>(order.size())), order);
    }

    void drawRingsMarksTheSourceWithAYellowCross() {
        setField("txtlines", "0");
        click("cmdhex");
        const QImage picture = forms().f1().Image();
        QVERIFY(within(forms().f1().height(),
                       screen::outerSize(main()).height - sim::kCanvasMargins.height));
        const std::uint32_t yellow = sim::toPixel(sim::kYellow);
        QCOMPARE(picture.pixel(picture.width() / 2, picture.height() / 2), yellow);
        const qsizetype cross = countPixels(picture, yellow);
        QVERIFY(cross > 4);
        QCOMPARE(countPixels(picture, greyPixel(0)) + cross,
                 qsizetype{picture.width()} * picture.height());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void clearAfterADrawingFillsWithItsSkyAndKeepsTheFields() {
        setField("txtsky", "77");
        setField("txtlines", "30");
        click("cmdhex");
        QVERIFY(countPixels(forms().f1().Image(), greyPixel(77)) > 0);
        QVERIFY(!filledWith(forms().f1().Image(), greyPixel(77)));
        click("cmdclear");
        QVERIFY(filledWith(forms().f1().Image(), greyPixel(77)));
        QCOMPARE(forms().fc1().fieldText(QStringLiteral("txtsky")), QStringLiteral("77"));
        QCOMPARE(forms().fc1().fieldText(QStringLiteral("txtlines")), QStringLiteral("30"));
        QCOMPARE(forms().fc1().fieldText(QStringLiteral("txtsegmax")),
                 QString::fromLatin1(sim::ringDefault("txtsegmax")));
    }

    void clearBeforeAnyDrawingLeavesWhite() {
        click("cmdclear");
        QVERIFY(filledWith(forms().f1().Image(), greyPixel(255)));
    }

    void theCanvasShowsTheDrawingOnceTheCommandEnds() {
        setField("txtsky", "120");
        click("cmdhex");
        QWidget* view = forms().f1().hWnd();
        const QPoint corner = view->mapTo(&main(), QPoint(view->width() - 2, view->height() - 2));
        QTRY_COMPARE(main().grab().toImage().pixel(corner), greyPixel(120));
    }

    // A key pressed during a long drawing waits for its end, a press that a
    // screen reader asks for then is dropped, and closing main ends the drawing.
    void aLongDrawingKeepsInputDropsNestedPressesAndStopsOnClose() {
        setField("txtlines", "100000000");
        auto& smin = static_cast<QLineEdit&>(control("txtsegmin"));
        smin.setFocus();
        QString sminDuring;
        QTimer::singleShot(500, this, [&] {
            QTest::keyClick(main().windowHandle(), '7');
            sminDuring = smin.text();
            click("cmdclear");
            main().close();
        });
        click("cmdhex");
        QCOMPARE(sminDuring, QStringLiteral("4"));
        QVERIFY(!filledWith(forms().f1().Image(), greyPixel(0)));
        QCOMPARE(main().windowTitle(), QStringLiteral("Vorlane"));
        QTRY_COMPARE(smin.text(), QStringLiteral("47"));
    }

    // Input made during a drawing is handed on after it as it would have
    // been handled without the drawing: each row's steps are made once after
    // a long drawing and once during the same drawing, and both end alike.
    void inputDuringADrawingEndsAsWithoutIt_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("a field, then Clear") << QStringList{"click txtsegmin", "click cmdclear"};
        QTest::newRow("Clear, then draw rings") << QStringList{"click cmdclear", "click cmdhex"};
        QTest::newRow("a field, select all, type, draw rings")
            << QStringList{"click txtlines", "key Ctrl+A", "type 750", "click cmdhex"};
        QTest::newRow("a press in a button, its release outside")
            << QStringList{"press cmdclear", "release txtsky"};
        QTest::newRow("keys between clicks")
            << QStringList{"click txtsky", "key End", "type 9",        "click txtsegmax",
                           "key End",      "type 5",  "key Backspace", "click cmdclear"};
        QTest::newRow("a double click, then a key") << QStringList{"doubleclick txtsky", "type 8"};
        QTest::newRow("File, then an item, then a name")
            << QStringList{"click file", "click savparam", "type p", "key Return"};
        QTest::newRow("keys that open a menu and a dialog, then keys for it") << QStringList{
            "key F10", "key Down", "key Down", "key Down", "key Return", "type xyz", "key Return"};
    }
    void inputDuringADrawingEndsAsWithoutIt() {
        QFETCH(QStringList, steps);
        if (!longDrawing_)
            measureALongDrawing();
        program_.reset();
        init();
        Outcome without, during;
        outcomeOf(steps, false, without);
        program_.reset();
        init();
        outcomeOf(steps, true, during);
        QCOMPARE(during.fields, without.fields);
        QCOMPARE(during.focus, without.focus);
        QCOMPARE(during.files, without.files);
        QVERIFY(during.canvas == without.canvas);
    }

    // Run-time errors.

    void anErrorIsReportedByNameAndFieldAndTheProgramGoesOn() {
        setField("txtsky", "grey");
        MessageBoxCloser closer;
        click("cmdhex");
        QCOMPARE(closer.text, "Run-time error: Type mismatch\n"
                              "The text \"grey\" in \"sky col\" is not a number.");
        // The field's text is the user's, never markup.
        QCOMPARE(closer.format, Qt::PlainText);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // The steps before the failing one stay done: the canvas was refitted.
        QVERIFY(within(forms().f1().height(),
                       screen::outerSize(main()).height - sim::kCanvasMargins.height));

        setField("txtsky", "0");
        setField("txtlines", "0");
        click("cmdhex");
        const QImage picture = forms().f1().Image();
        QCOMPARE(picture.pixel(picture.width() / 2, picture.height() / 2),
                 sim::toPixel(sim::kYellow));
        QVERIFY(main().isVisible());
    }

    // Anything else that escapes a handler ends only that command, with a
    // message that says what it was.
    void aFaultOfTheProgramEndsOnlyTheCommand_data() {
        QTest::addColumn<std::exception_ptr>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no memory") << std::make_exception_ptr(std::bad_alloc())
                                   << "Not enough memory: the command stopped.";
        QTest::newRow("logic error") << std::make_exception_ptr(std::logic_error("no control x"))
                                     << "Internal error: no control x\nThe command stopped.";
        QTest::newRow("not an exception")
            << std::make_exception_ptr(42) << "Internal error\nThe command stopped.";
    }
    void aFaultOfTheProgramEndsOnlyTheCommand() {
        QFETCH(std::exception_ptr, fault);
        dialogs_->fault = fault;
        MessageBoxCloser closer;
        main().menuItem(QStringLiteral("savparam")).trigger();
        QTEST(closer.text, "message");
        main().menuItem(QStringLiteral("retparam")).trigger();
        QCOMPARE(dialogs_->requests.size(), 2);
        QVERIFY(main().isVisible());
    }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
