#pragma once

#include "intake/CallHeader.h"
#include "store/AuditType.h"

#include <QString>
#include <optional>

namespace vrq {

// Whether a call is good, and for a bad call the reason the upstream status text gives.
struct CallJudgement {
    bool good = false;
    std::optional<int> badReason;
    std::optional<int> badData;
    QString statusText; // as adjusted for the "Attempting" prefix

    // Good when the header's flag is "Y" or a command-line file is being validated. A call cut short
    // (cutShort says why) is bad whatever its flag, for the reason "anything else": what arrived of it
    // is kept for a look, never sent.
    static CallJudgement judge(const CallHeader& header, bool validationMode, const QString& cutShort = {});
    // The reason code of a status text (after the adjustment): 1, 2, 3, 4, 5, 100, else 999.
    static int badReasonOf(const QString& statusText);
    // Drops the first 56 characters of a text that begins with "Attempting".
    static QString adjustedStatusText(const QString& statusText);
};

// The call's audit entry: its type and text.
struct CallAuditEntry {
    AuditType type;
    QString text;
    static CallAuditEntry of(const CallHeader& header, int source, bool validationMode,
                             const QString& cutShort = {});
};

} // namespace vrq
