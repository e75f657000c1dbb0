#pragma once

#include "platform/Result.h"

#include <QString>

namespace vrq {

// Whether writable() only asks what is known or also tries a write.
enum class WriteTrial { None, Write };

// The store's units of work and whether it keeps what is written to it. Begun and ended through
// UnitOfWork, which undoes a unit that goes out of scope uncommitted.
class StoreUnits {
public:
    virtual ~StoreUnits() = default;

    // One call taken in, one export of a call, one purged call: all or nothing.
    virtual Result begin() = 0;
    virtual Result commit() = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;
    // A group of units committed together, reaching the store at endGroup. A stop before that undoes
    // the group, never part of a unit; callers keep their input until the group is ended. What a unit
    // undone inside it (or whose commit fails) takes along is the engine's: a server keeps a savepoint
    // per unit and undoes the unit's own rows; a store in a file keeps none and undoes the whole group,
    // after which no unit begins and endGroup fails until the group is ended or abandoned. An engine that
    // limits the savepoints of one transaction may commit a long group in parts, always between two
    // units: callers therefore take their kept input again as a mix of stored and new units.
    virtual Result beginGroup() = 0;
    virtual Result endGroup() = 0;
    // Undoes the whole group, as a stop would.
    virtual void abandonGroup() = 0;
    virtual bool inGroup() const = 0;
    // Makes what is committed durable, before an input file is moved away.
    virtual void checkpoint() = 0;

    // Whether the store keeps what is written to it now; the failure says why not, for the person: a
    // store opened read-only (this user cannot write it or its folder), a file moved away (fileMoved),
    // writes refused with refuseWrites, and with WriteTrial::Write a write the store refuses (it takes
    // the write lock for a moment and changes nothing; a lock held by another program is no refusal).
    // Inside a unit of work no write is tried.
    virtual Result writable(WriteTrial trial = WriteTrial::None) = 0;
    // Claims this workstation's rows of a store several workstations share, for as long as the program
    // runs: a second program with the same workstation is refused (InUse), as a second copy on one
    // program folder is. The claim lasts while the connection does and is claimed again by reconnect.
    // A store in a file is claimed with its program folder and succeeds.
    virtual Result claimWorkstation() = 0;
    // Connects again to a store whose server was lost (writable() failed as unreachable); outside a unit
    // of work only. A store in a file has nothing to reconnect and succeeds.
    virtual Result reconnect() = 0;
    // True when the place the store was opened from no longer names the store in use: deleted, renamed
    // or replaced while the program ran. What is written then never reaches the store at that place.
    virtual bool fileMoved() = 0;
    // From now on every unit of work, group and audit entry fails with this reason.
    virtual void refuseWrites(const QString& reason) = 0;
    virtual bool refusesWrites() const = 0;
    // Writes everything the store holds, as one consistent state, to a new file at path.
    virtual Result saveCopy(const QString& path) = 0;
    // Where the store was opened from, as the person should read it.
    virtual QString path() const = 0;
};

} // namespace vrq
