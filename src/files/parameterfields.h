// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vorlane::files {

// The panel's entry fields as the parameter-file commands see them: texts by
// field name (txtsegmin, txtlines, ...).
class ParameterFields {
public:
    virtual ~ParameterFields() = default;
    virtual QString fieldText(const QString& name) const = 0;
    virtual void setFieldText(const QString& name, const QString& text) = 0;
};

} // namespace vorlane::files
