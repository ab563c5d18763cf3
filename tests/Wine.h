// SPDX-License-Identifier: GPL-3.0-or-later
// Wine runs the Windows build of the tests here. It is not Windows: where it answers a system
// call differently, a check skips itself under Wine only, saying what Wine does ("Wine " +
// `reason`). Wine's ntdll exports its version; Windows' does not, and other systems have none.
#pragma once

#include <QLibrary>
#include <QTest>

#define SKIP_UNDER_WINE(reason)                                                                    \
    do {                                                                                           \
        if (QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version"))                        \
            QSKIP(QByteArray("Wine ").append(reason).constData());                                 \
    } while (false)
