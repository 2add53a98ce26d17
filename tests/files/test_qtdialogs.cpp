// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/qtdialogs.h"
#include "scripted.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace vorlane::files;

namespace {

// Acts on the modal dialog of type T once it is shown. The action must close
// it; checks belong after the call that showed it, so that a failing check
// cannot leave the dialog open.
template <typename T>
void whenShown(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(*dialog);
        else if (QApplication::activeModalWidget())
            QApplication::activeModalWidget()->close();
    });
}

const FileRequest kRequest{FileRequest::Kind::Save, "Save Vorlane simulation",
                           {{"Tavik picture(*.bmp)", "*.bmp"}, {"All files", "*.*"}}};

} // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
