// SPDX-License-Identifier: GPL-3.0-or-later
// Turns what the simulator sends into what the caption window shows. Each read of the TCP
// client is one message: a type digit, one character that is skipped, then the text.
//   0  ATC to or from AI aircraft  (shown while AtcComs)
//   1  ATC to the user             (always; highlight colours while HighlightTX2U,
//                                   kept on screen while LastMsg)
//   2  the user's own calls        (shown while OwnComs)
//   8  ATIS                        (shown while ShowATIS)
//   3-7, 9                         (always)
#pragma once

class CaptionLink;

class MessageIntake {
public:
    explicit MessageIntake(CaptionLink& caption) : caption_(caption) {}

    // The TCP client's data-arrival event.
    void DataArrival();

private:
    CaptionLink& caption_;
};
