#pragma once

#include "platform/Result.h"

namespace vrq {

class StoreUnits;

// One unit of work in the store, begun when made and undone when it goes out of scope uncommitted, so
// that no return and no exception can leave it open. A group holds several units and reaches the file
// only when it is committed; a unit begun inside an open group keeps its rows in the group when
// committed, and when undone takes its own rows or the whole group with it (StoreUnits says which). A
// unit whose begin failed is never undone: the work open in the store then is not its own.
class UnitOfWork {
public:
    enum class Scope { Unit, Group };

    explicit UnitOfWork(StoreUnits& store, Scope scope = Scope::Unit);
    ~UnitOfWork();
    UnitOfWork(const UnitOfWork&) = delete;
    UnitOfWork& operator=(const UnitOfWork&) = delete;

    // Why the unit could not begin; success when it is open (or was).
    const Result& begun() const { return m_begun; }
    bool open() const { return m_begun.ok() && !m_ended; }
    // Keeps the unit's work. A failure leaves nothing of the unit behind, so what the caller writes
    // next (its error entry) is not undone with it. Fails without touching the store when the unit
    // never began or has ended.
    Result commit();
    // Undoes the unit's work now; nothing when it is not open.
    void rollback();

private:
    StoreUnits& m_store;
    Scope m_scope;
    Result m_begun;
    bool m_ended = false;
};

} // namespace vrq
