#include "store/UnitOfWork.h"

#include "store/StoreUnits.h"

namespace vrq {

UnitOfWork::UnitOfWork(StoreUnits& store, Scope scope)
    : m_store(store), m_scope(scope), m_begun(scope == Scope::Group ? store.beginGroup() : store.begin()) {}

UnitOfWork::~UnitOfWork() {
    rollback();
}

Result UnitOfWork::commit() {
    if (!m_begun.ok())
        return m_begun;
    if (m_ended)
        return Result::failure(QStringLiteral("the unit of work has already ended"));
    m_ended = true;
    if (m_scope == Scope::Group)
        return m_store.endGroup(); // a group that cannot be committed is undone by the store itself
    Result committed = m_store.commit();
    if (!committed.ok())
        m_store.rollback();
    return committed;
}

void UnitOfWork::rollback() {
    if (!open())
        return;
    m_ended = true;
    if (m_scope == Scope::Group)
        m_store.abandonGroup();
    else
        m_store.rollback();
}

} // namespace vrq
