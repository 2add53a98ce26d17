// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

namespace vorlane::shell {

// While it lives, the user's input waits: every mouse, key, wheel or touch
// event that the window system brings is kept instead of handled. When it
// ends, the kept events are handed on in their order, once the running
// handler has returned. Everything else goes on meanwhile: painting, the
// window manager's pings and close requests, a screen reader's questions.
class HeldInput final : public QObject {
public:
    HeldInput();
    ~HeldInput() override;
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    struct Held {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };
    std::vector<Held> held_;
};

} // namespace vorlane::shell
