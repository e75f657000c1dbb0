#include "store/AuditType.h"

namespace vrq {

QString auditTypeName(AuditType type) {
    switch (type) {
    case AuditType::Started:
        return QStringLiteral("Program started");
    case AuditType::Stopped:
        return QStringLiteral("Program stopped");
    case AuditType::Info:
        return QStringLiteral("Information");
    case AuditType::Warning:
        return QStringLiteral("Warning");
    case AuditType::FileFault:
        return QStringLiteral("Fault in an input file");
    case AuditType::Error:
        return QStringLiteral("Error");
    case AuditType::LockCleared:
        return QStringLiteral("Lock cleared");
    case AuditType::GoodCall:
        return QStringLiteral("Good call");
    case AuditType::BadCall:
        return QStringLiteral("Bad call");
    case AuditType::Properties:
        return QStringLiteral("Properties edited");
    case AuditType::ConnectionLost:
        return QStringLiteral("Connection lost");
    case AuditType::Extracted:
        return QStringLiteral("Call sent to the host");
    case AuditType::Validated:
        return QStringLiteral("Call validated");
    }
    return {};
}

const std::vector<AuditType>& allAuditTypes() {
    static const std::vector<AuditType> types{
        AuditType::Started,   AuditType::Stopped,    AuditType::Info,           AuditType::Warning,
        AuditType::FileFault, AuditType::Error,      AuditType::LockCleared,    AuditType::GoodCall,
        AuditType::BadCall,   AuditType::Properties, AuditType::ConnectionLost, AuditType::Extracted,
        AuditType::Validated};
    return types;
}

} // namespace vrq
