#include "intake/CallJudgement.h"

namespace vrq {

namespace {

struct ReasonPrefix {
    const char* prefix;
    int code;
    bool hasData;
};

const ReasonPrefix kReasons[] = {
    {"Error...0 Char", 1, false}, {"ERROR...Not en", 2, true},  {"ERROR...Unable", 3, false},
    {"Parity and/or ", 4, true},  {"Possible Bad C", 5, false}, {"ERROR...UserEx", 100, false},
};

constexpr int kOtherReason = 999;

QString cutShortText(const QString& why) {
    return QStringLiteral("Call cut short: ") + why;
}

} // namespace

QString CallJudgement::adjustedStatusText(const QString& statusText) {
    if (statusText.left(10) == QLatin1String("Attempting"))
        return statusText.mid(56);
    return statusText;
}

int CallJudgement::badReasonOf(const QString& statusText) {
    const QString start = statusText.left(14);
    for (const ReasonPrefix& reason : kReasons) {
        if (start == QLatin1String(reason.prefix))
            return reason.code;
    }
    return kOtherReason;
}

CallJudgement CallJudgement::judge(const CallHeader& header, bool validationMode, const QString& cutShort) {
    CallJudgement j;
    if (!cutShort.isEmpty()) {
        j.statusText = cutShortText(cutShort);
        j.badReason = kOtherReason;
        return j;
    }
    j.good = header.goodCallFlag == QLatin1String("Y") || validationMode;
    if (j.good)
        return j;
    j.statusText = adjustedStatusText(header.statusText);
    j.badReason = badReasonOf(j.statusText);
    if (*j.badReason == 2 || *j.badReason == 4) {
        // The number after the first "(", or of the whole text when there is none.
        const qsizetype open = j.statusText.indexOf(QLatin1Char('('));
        j.badData = leadingInt(j.statusText.mid(open + 1));
    }
    return j;
}

CallAuditEntry CallAuditEntry::of(const CallHeader& header, int source, bool validationMode,
                                  const QString& cutShort) {
    const QString fields = header.callNumber + QStringLiteral(" Line:") + header.lineNumber +
                           QStringLiteral(" Bytes:") + header.dataLength;
    if (validationMode)
        return {AuditType::Validated, QStringLiteral("Validate Call: #") + fields};
    const auto bad = [&](const QString& message) {
        return CallAuditEntry{AuditType::BadCall,
                              QStringLiteral("Bad Call : #") + fields + QStringLiteral(" Msg: ") + message};
    };
    if (!cutShort.isEmpty())
        return bad(cutShortText(cutShort));
    if (header.goodCallFlag == QLatin1String("Y") || source == 1)
        return {AuditType::GoodCall, QStringLiteral("Good Call: #") + fields};
    return bad(CallJudgement::adjustedStatusText(header.statusText));
}

} // namespace vrq
