// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QStringList>

#include <linux/input-event-codes.h>

// The combinations the backend tests register, and a log of what a backend reports.

inline const KeyboardShortcuts::KeyCombination kControlSuperS { KEY_S,
    Qt::ControlModifier | Qt::MetaModifier };
inline const KeyboardShortcuts::KeyCombination kControlSuperD { KEY_D,
    Qt::ControlModifier | Qt::MetaModifier };

// Appends "pressed 1", "released 1" or "failed 1 5" (id and status) to log.
inline void logEvents(KeyboardShortcuts::HotKeyBackend *backend, QStringList *log)
{
    using KeyboardShortcuts::HotKeyBackend;
    QObject::connect(backend, &HotKeyBackend::pressed, backend,
        [log](quint32 id) { *log << QStringLiteral("pressed %1").arg(id); });
    QObject::connect(backend, &HotKeyBackend::released, backend,
        [log](quint32 id) { *log << QStringLiteral("released %1").arg(id); });
    QObject::connect(backend, &HotKeyBackend::registrationFailed, backend,
        [log](quint32 id, HotKeyBackend::Status status) {
            *log << QStringLiteral("failed %1 %2").arg(id).arg(int(status));
        });
}
