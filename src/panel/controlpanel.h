// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// fc1, the control panel: the eight entry fields, "draw rings" and "Clear",
// built from one table of control data.

#include "files/parameterfields.h"
#include "sim/pixels/canvas.h"
#include "sim/rules/drawsettings.h"
#include "sim/rules/random.h"

#include <QHash>
#include <QWidget>

class QAbstractButton;
class QLineEdit;

namespace vorlane::panel {

class ControlPanel final : public QWidget, public files::ParameterFields {
    Q_OBJECT

public:
    ControlPanel();

    // The text of an entry field by its name (txtsegmin, txtlines, ...).
    QString fieldText(const QString& name) const override;
    void setFieldText(const QString& name, const QString& text) override;

    // Any control of the panel by its name (Label1, cmdhex, k2, ...).
    QWidget& control(const QString& name) const;
    QAbstractButton& button(const QString& name) const;

    // "draw rings": draws on f1 from the fields' texts as they are now, with
    // main's outer size and the program's random stream, telling progress
    // how far it has come.
    void cmdhex_Click(sim::WindowSize main, sim::Canvas& f1, sim::RandomSource& random,
                      const sim::Progress& progress = {}) const;
    // "Clear": erases f1; nothing else changes.
    static void cmdclear_Click(sim::Canvas& f1);

private:
    QLineEdit& field(const QString& name) const;

    QHash<QString, QWidget*> controls_;
};

} // namespace vorlane::panel
