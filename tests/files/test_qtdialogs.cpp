// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/qtdialogs.h"
#include "scripted.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <functional>

using namespace vorlane::files;

namespace {

// Acts on the modal dialog of type T once it is shown. The action must close
// it; checks belong after the call that showed it, so that a failing check
// cannot leave the dialog open.
template <typename T> void whenShown(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(*dialog);
        else if (QApplication::activeModalWidget())
            QApplication::activeModalWidget()->close();
    });
}

const FileRequest kRequest{FileRequest::Kind::Save,
                           "Save Vorlane simulation",
                           {{"Tavik picture(*.bmp)", "*.bmp"}, {"All files", "*.*"}},
                           {}};

} // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;

private slots:
    // Where the user's settings would go, before anything reads them.
    void initTestCase() {
        QVERIFY(qputenv("HOME", QFile::encodeName(home_.path())) &&
                qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.filePath(".config"))));
    }

    // Vorlane keeps nothing between runs: the dialogs leave no history,
    // folders or columns behind in the user's settings.
    void dialogsKeepNothing() {
        Workspace workspace;
        QtDialogs dialogs(nullptr);
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(workspace.path("sky"));
            static_cast<QDialog&>(dialog).accept();
        });
        QVERIFY(dialogs.chooseFile(kRequest));
        whenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
        QCOMPARE(dialogs.chooseFile({FileRequest::Kind::Open, "Open a file", kRequest.filters, {}}),
                 std::nullopt);
        QCOMPARE(
            QDir(home_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
    }

    void saveDialogShowsTheRequest() {
        Workspace workspace;
        QWidget owner;
        QtDialogs dialogs(&owner);
        QString title, selectedFilter;
        QStringList shownFilters;
        bool confirmsOverwrite = false, save = false;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            save = dialog.acceptMode() == QFileDialog::AcceptSave;
            confirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            selectedFilter = dialog.selectedNameFilter();
            if (auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo"))
                for (int i = 0; i < combo->count(); ++i)
                    shownFilters << combo->itemText(i);
            dialog.selectFile(workspace.path("sky"));
            static_cast<QDialog&>(dialog).accept(); // QFileDialog's own is protected
        });
        const std::optional<QString> path = dialogs.chooseFile(kRequest);
        QCOMPARE(title, "Save Vorlane simulation");
        QVERIFY(save);
        QVERIFY(confirmsOverwrite);
        QCOMPARE(shownFilters, QStringList({"Tavik picture(*.bmp)", "All files"}));
        QVERIFY(selectedFilter.startsWith("Tavik picture(*.bmp)"));
        QCOMPARE(path, std::optional(workspace.path("sky")));
    }

    // The list of files shows each column whole, however long its texts.
    void columnsShowWhole_data() {
        QTest::addColumn<FileRequest::Kind>("kind");
        QTest::addColumn<int>("points"); // of the application's font; 0: as it is
        QTest::newRow("save") << FileRequest::Kind::Save << 0;
        QTest::newRow("open") << FileRequest::Kind::Open << 0;
        QTest::newRow("larger font") << FileRequest::Kind::Save << 12;
    }

    void columnsShowWhole() {
        QFETCH(FileRequest::Kind, kind);
        QFETCH(int, points);
        Workspace workspace;
        QFile file(workspace.path("a picture with a rather long name.bmp"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(123456, 'x')) > 0);
        file.close();
        const QFont font = QApplication::font();
        if (points)
            QApplication::setFont(QFont(font.family(), points));
        QStringList cut;
        int rows = 0;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            auto* list = dialog.findChild<QTreeView*>("treeView");
            if (list &&
                QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; })) {
                QTest::qWait(50); // for the view to lay them out
                rows = list->model()->rowCount(list->rootIndex());
                const QHeaderView& header = *list->header();
                // A long name may be elided, as in any list of files; nothing else.
                for (int column = 0; column < header.count(); ++column)
                    if ((column > 0 &&
                         header.sectionSize(column) <
                             static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column)) ||
                        header.sectionViewportPosition(column) + header.sectionSize(column) >
                            list->viewport()->width())
                        cut << header.model()->headerData(column, Qt::Horizontal).toString();
            }
            dialog.reject();
        });
        FileRequest request = kRequest;
        request.kind = kind;
        QtDialogs(nullptr).chooseFile(request);
        QApplication::setFont(font);
        QCOMPARE(rows, 1);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    }

    void openDialogTakesAMissingFile() {
        Workspace workspace;
        QtDialogs dialogs(nullptr);
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(workspace.path("new.pel"));
            static_cast<QDialog&>(dialog).accept(); // QFileDialog's own is protected
        });
        FileRequest request = kRequest;
        request.kind = FileRequest::Kind::Open;
        QCOMPARE(dialogs.chooseFile(request), std::optional(workspace.path("new.pel")));
    }

    // The program makes the folder of the chosen file the current one; every
    // dialog after that opens there, not where the one before it was.
    void dialogsOpenInTheCurrentFolder() {
        QtDialogs dialogs(nullptr);
        for (int round = 0; round < 2; ++round) {
            Workspace workspace;
            QString opened;
            whenShown<QFileDialog>([&](QFileDialog& dialog) {
                opened = QDir(dialog.directory()).canonicalPath();
                dialog.selectFile(workspace.path("sky"));
                static_cast<QDialog&>(dialog).accept();
            });
            dialogs.chooseFile(kRequest);
            QCOMPARE(opened, workspace.folder());
        }
    }

    // The program's own replace question looks like the one the save dialog
    // asks about an existing file.
    void replaceQuestionLooksLikeTheSaveDialogsOwn() {
        struct Look {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QMessageBox::StandardButtons buttons;
            QMessageBox::StandardButton preset = QMessageBox::NoButton;
        };
        // Answers no and keeps how the question looked.
        const auto noAndLook = [](Look& look) {
            whenShown<QMessageBox>([&look](QMessageBox& box) {
                look = {box.icon(), box.standardButtons(), box.standardButton(box.defaultButton())};
                box.button(QMessageBox::No)->click();
            });
        };
        Workspace workspace;
        QFile existing(workspace.path("sky.bmp"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        Look qts;
        QtDialogs dialogs(nullptr);
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(workspace.path("sky.bmp"));
            noAndLook(qts);
            QMetaObject::invokeMethod(&dialog, "accept"); // asks, hears no, stays open
            dialog.reject();
        });
        QCOMPARE(dialogs.chooseFile(kRequest), std::nullopt);

        Look ours;
        noAndLook(ours);
        QVERIFY(!dialogs.confirm("Save", "sky.bmp already exists.\nDo you want to replace it?"));
        QVERIFY(qts.buttons != QMessageBox::NoButton); // Qt's question did come
        QCOMPARE(ours.icon, qts.icon);
        QCOMPARE(ours.buttons, qts.buttons);
        QCOMPARE(ours.preset, qts.preset);
    }

    void informHasOnlyOkAndNoIcon() {
        QtDialogs dialogs(nullptr);
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QMessageBox::StandardButtons buttons;
        whenShown<QMessageBox>([&](QMessageBox& box) {
            caption = box.windowTitle();
            text = box.text();
            icon = box.icon();
            buttons = box.standardButtons();
            box.button(QMessageBox::Ok)->click();
        });
        dialogs.inform("Open a file", "No file was selected");
        QCOMPARE(caption, "Open a file");
        QCOMPARE(text, "No file was selected");
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    // A name or a field's text in a message is shown as typed, never as markup.
    void messagesArePlainText() {
        QtDialogs dialogs(nullptr);
        const QString text = "Could not save \"<font size=6 color=green>SAVED OK\": reason";
        for (const auto& show : std::initializer_list<std::function<void()>>{
                 [&] { dialogs.inform("Open a file", text); },
                 [&] { dialogs.confirm("Open a file", text); },
                 [&] { dialogs.reportError("Open a file", text); }}) {
            Qt::TextFormat format = Qt::AutoText;
            whenShown<QMessageBox>([&format](QMessageBox& box) {
                format = box.textFormat();
                box.close();
            });
            show();
            QCOMPARE(format, Qt::PlainText);
        }
    }

    // Picking an existing file that the save refuses anyway leads to its
    // refusal, not to a replace question first; a folder's name still opens it.
    void noQuestionAboutWhatTheSaveRefuses() {
        Workspace workspace;
        QFile existing(workspace.path("pipe.bmp"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QtDialogs dialogs(nullptr);
        bool asked = false;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            dialog.selectFile(workspace.path("pipe.bmp"));
            whenShown<QMessageBox>([&asked](QMessageBox& box) {
                asked = true;
                box.button(QMessageBox::No)->click();
            });
            QMetaObject::invokeMethod(&dialog, "accept");
            if (dialog.isVisible())
                dialog.reject();
        });
        FileRequest request = kRequest;
        request.refuses = [&workspace](const QString& path) {
            return path == workspace.path("pipe.bmp");
        };
        QCOMPARE(dialogs.chooseFile(request), std::optional(workspace.path("pipe.bmp")));
        QCoreApplication::processEvents(); // the wait for a question ends with none
        QVERIFY(!asked);
    }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
