// Wine runs the Windows build of the tests here. It is not Windows: where it answers a system
// call differently, a check skips itself under Wine only, saying what Wine does.
#pragma once

#include <QLibrary>
#include <QTest>

// Wine's ntdll exports its version; Windows' does not, and other systems have no ntdll.
inline bool runningUnderWine() {
    static const bool wine = QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version");
    return wine;
}

// Skips the check under Wine; `reason` says what Wine does ("Wine " + reason).
#define SKIP_UNDER_WINE(reason)                                                                    \
    do {                                                                                           \
        if (runningUnderWine())                                                                    \
            QSKIP(QByteArray("Wine ").append(reason).constData());                                 \
    } while (false)
