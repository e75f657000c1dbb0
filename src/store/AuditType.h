#pragma once

#include <QString>
#include <vector>

namespace vrq {

// The kind of an audit entry; the Audit.Type column holds its letter.
enum class AuditType {
    Started,        // "1"
    Stopped,        // "0"
    Info,           // "I"
    Warning,        // "W"
    FileFault,      // "F"
    Error,          // "E"
    LockCleared,    // "C"
    GoodCall,       // "G"
    BadCall,        // "B"
    Properties,     // "P"
    ConnectionLost, // "L"
    Extracted,      // "X"
    Validated,      // "V"
};

// The letter stored in Audit.Type for an entry of this kind.
QString auditTypeLetter(AuditType type);
// What an entry of this kind reports, in a few words for a person choosing or reading entries.
QString auditTypeName(AuditType type);
// Every kind, in the order a person picks from.
const std::vector<AuditType>& allAuditTypes();

} // namespace vrq
