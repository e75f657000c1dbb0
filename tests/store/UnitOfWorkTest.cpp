// The unit of work: undone when left uncommitted, kept when committed, undone and reported when its
// commit fails; a unit inside a group keeps or undoes its own rows only on a server, the whole group in
// a file.
#include "store/UnitOfWork.h"

#include "store/StoreProbe.h"
#include "support/ProgramFixture.h"
#include "support/ResultChecks.h"
#include "support/StoreBackends.h"

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;

using namespace vrq;
using namespace vrq::test;

namespace {

// A row whose reference is checked only at the commit, which then fails and leaves the transaction
// open: the store must undo it, or the next unit could not begin.
Result prepareFailingCommit(Store& store, bool postgres) {
    if (postgres)
        return StoreProbe(store).exec(
            u"CREATE TEMP TABLE Parent (Id integer PRIMARY KEY); "
            "CREATE TEMP TABLE Child (ParentId integer REFERENCES Parent (Id) DEFERRABLE INITIALLY DEFERRED)"_s);
    return StoreProbe(store).exec(
        u"PRAGMA foreign_keys = ON; CREATE TEMP TABLE Parent (Id INTEGER PRIMARY KEY); "
        "CREATE TEMP TABLE Child (ParentId INTEGER REFERENCES Parent (Id) DEFERRABLE INITIALLY DEFERRED)"_s);
}

Result addOrphan(Store& store) {
    return StoreProbe(store).exec(u"INSERT INTO Child (ParentId) VALUES (1)"_s);
}

enum class Ending { LeaveScope, Commit, FailingCommit, Rollback };

struct EndingCase {
    const char* name;
    UnitOfWork::Scope scope;
    Ending ending;
    bool kept;
};

class UnitOfWorkEndingTest : public BackendCaseTest<EndingCase> {};

TEST_P(UnitOfWorkEndingTest, KeepsItsRowsOnlyWhenCommitted) {
    const EndingCase& c = row();
    const std::unique_ptr<ProgramFixture> fixture = backends.fixture();
    ProgramFixture& f = *fixture;
    if (c.ending == Ending::FailingCommit) {
        ASSERT_TRUE(succeeded(prepareFailingCommit(*f.store, postgres())));
    }
    Result committed = Result::success();
    {
        UnitOfWork unit(f.store->units(), c.scope);
        ASSERT_TRUE(unit.begun().ok()) << unit.begun().message.toStdString();
        EXPECT_TRUE(unit.open());
        f.addCall(0, 7, 0);
        switch (c.ending) {
        case Ending::LeaveScope:
            break;
        case Ending::FailingCommit:
            ASSERT_TRUE(succeeded(addOrphan(*f.store)));
            [[fallthrough]];
        case Ending::Commit:
            committed = unit.commit();
            EXPECT_FALSE(unit.open());
            EXPECT_FALSE(unit.commit().ok()) << "a unit commits once";
            break;
        case Ending::Rollback:
            unit.rollback();
            EXPECT_FALSE(unit.open());
            EXPECT_FALSE(f.store->units().inTransaction()) << "undone at once, not when the unit goes";
            break;
        }
    }
    EXPECT_EQ(f.call(0, 7).has_value(), c.kept);
    EXPECT_FALSE(f.store->units().inTransaction()) << "nothing is left open";
    EXPECT_EQ(committed.ok(), c.ending != Ending::FailingCommit) << committed.message.toStdString();
    if (c.ending == Ending::FailingCommit) {
        EXPECT_TRUE(committed.message.contains(u"FOREIGN KEY"_s, Qt::CaseInsensitive))
            << committed.message.toStdString();
    }
    EXPECT_TRUE(f.store->units().begin().ok()) << "the next unit of work can begin";
    f.store->units().rollback();
}

const EndingCase kEndings[] = {
    {"unitLeftUncommitted", UnitOfWork::Scope::Unit, Ending::LeaveScope, false},
    {"unitCommitted", UnitOfWork::Scope::Unit, Ending::Commit, true},
    {"unitCommitFails", UnitOfWork::Scope::Unit, Ending::FailingCommit, false},
    {"unitRolledBack", UnitOfWork::Scope::Unit, Ending::Rollback, false},
    {"groupLeftUncommitted", UnitOfWork::Scope::Group, Ending::LeaveScope, false},
    {"groupCommitted", UnitOfWork::Scope::Group, Ending::Commit, true},
    {"groupCommitFails", UnitOfWork::Scope::Group, Ending::FailingCommit, false},
    {"groupRolledBack", UnitOfWork::Scope::Group, Ending::Rollback, false},
};

INSTANTIATE_TEST_SUITE_P(Endings, UnitOfWorkEndingTest, onBothBackends(kEndings), BackendRowName());

// A server keeps a savepoint per unit of a group.
class ServerGroupTest : public BackendTest {};

// Audit entries written in the group between units stay with the group, those written inside a unit go
// with it, and every entry keeps its place in the log. The error entries of units 2 and 3 go to the
// store at once (on PostgreSQL; the others wait for the group's end); units 2 and 4 are left
// uncommitted.
TEST_P(ServerGroupTest, AUnitInsideAGroupKeepsOrUndoesOnlyItsOwnRows) {
    const std::unique_ptr<ProgramFixture> fixture = backends.fixture();
    ProgramFixture& f = *fixture;
    {
        UnitOfWork group(f.store->units(), UnitOfWork::Scope::Group);
        ASSERT_TRUE(group.begun().ok());
        for (int callNumber : {1, 2, 3, 4, 5}) {
            ASSERT_TRUE(succeeded(f.audit->write(AuditType::Info, u"before %1"_s.arg(callNumber))));
            UnitOfWork unit(f.store->units());
            ASSERT_TRUE(unit.begun().ok());
            f.addCall(0, callNumber, 0);
            ASSERT_TRUE(succeeded(f.audit->write(AuditType::Info, u"inside %1"_s.arg(callNumber))));
            if (callNumber == 2 || callNumber == 3) {
                ASSERT_TRUE(succeeded(f.audit->write(AuditType::Error, u"error %1"_s.arg(callNumber))));
                ASSERT_TRUE(succeeded(f.audit->write(AuditType::Info, u"after error %1"_s.arg(callNumber))));
            }
            if (callNumber % 2 == 1) {
                ASSERT_TRUE(unit.commit().ok());
            }
        }
        EXPECT_TRUE(f.store->units().inTransaction()) << "the group reaches the file at its own commit";
        ASSERT_TRUE(group.commit().ok());
    }
    EXPECT_TRUE(f.call(0, 1).has_value());
    EXPECT_FALSE(f.call(0, 2).has_value()) << "the unit left uncommitted";
    EXPECT_TRUE(f.call(0, 3).has_value());
    EXPECT_FALSE(f.call(0, 4).has_value()) << "the unit left uncommitted";
    EXPECT_TRUE(f.call(0, 5).has_value());
    QStringList log;
    for (const AuditRow& entry : f.store->audit().allAudit())
        log.append(entry.msg);
    EXPECT_EQ(log,
              (QStringList{u"before 1"_s, u"inside 1"_s, u"before 2"_s, u"before 3"_s, u"inside 3"_s,
                           u"error 3"_s, u"after error 3"_s, u"before 4"_s, u"before 5"_s, u"inside 5"_s}));
}

// A group of more units than one transaction holds savepoints for still keeps each committed unit and
// undoes each uncommitted one.
TEST_P(ServerGroupTest, AGroupOfManyUnitsKeepsEveryCommittedUnit) {
    const std::unique_ptr<ProgramFixture> fixture = backends.fixture();
    ProgramFixture& f = *fixture;
    {
        UnitOfWork group(f.store->units(), UnitOfWork::Scope::Group);
        ASSERT_TRUE(group.begun().ok());
        for (int callNumber = 1; callNumber <= 150; ++callNumber) {
            UnitOfWork unit(f.store->units());
            ASSERT_TRUE(unit.begun().ok()) << callNumber;
            f.addCall(0, callNumber, 0);
            if (callNumber % 7 != 0) {
                ASSERT_TRUE(unit.commit().ok()) << callNumber;
            }
        }
        EXPECT_TRUE(f.store->units().inGroup());
        ASSERT_TRUE(group.commit().ok());
    }
    Result read;
    const std::vector<CallRow> calls = f.store->calls().allCalls(&read);
    ASSERT_TRUE(read.ok()) << read.message.toStdString();
    EXPECT_EQ(calls.size(), 150u - 150u / 7u);
    for (const CallRow& call : calls)
        EXPECT_NE(call.callNumber % 7, 0) << call.callNumber;
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerGroupTest, ::testing::Values(StoreBackend::PostgreSQL),
                         backendParamName);

// A store in a file keeps no savepoint per unit of a group: a unit undone takes the whole group with
// it, whatever undid it, and until the group ends no unit begins in its place. What is written after
// the undo (the entry that reports it) is kept; the next group is whole again.
enum class UnitEnd { LeftUncommitted, RolledBack, EngineEndedTheTransaction };

struct UndoCase {
    const char* name;
    UnitEnd end;
};

class FileGroupTest : public BackendCaseTest<UndoCase> {};

TEST_P(FileGroupTest, AUnitUndoneUndoesItsWholeGroupUntilTheGroupEnds) {
    const std::unique_ptr<ProgramFixture> fixture = backends.fixture();
    ProgramFixture& f = *fixture;
    StoreUnits& units = f.store->units();
    const auto storeCall = [&](int callNumber) {
        return f.store->calls().insertCall(CallRow{.callNumber = callNumber, .callDnt = f.clock.now()});
    };
    const QString undone = u"the group of calls was undone with a call that could not be stored"_s;
    {
        UnitOfWork group(units, UnitOfWork::Scope::Group);
        {
            UnitOfWork unit(units);
            ASSERT_TRUE(succeeded(storeCall(1)));
            ASSERT_TRUE(succeeded(f.audit->write(AuditType::Info, u"inside 1"_s)));
            ASSERT_TRUE(succeeded(unit.commit()));
        }
        ASSERT_TRUE(succeeded(f.audit->write(AuditType::Info, u"before 2"_s)));
        {
            UnitOfWork unit(units);
            ASSERT_TRUE(succeeded(storeCall(2)));
            if (row().end == UnitEnd::RolledBack)
                unit.rollback();
            if (row().end == UnitEnd::EngineEndedTheTransaction) {
                ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"ROLLBACK"_s)));
                EXPECT_FALSE(storeCall(3).ok()) << "nothing of the group is written outside it";
                EXPECT_FALSE(unit.commit().ok());
            }
        }
        EXPECT_FALSE(units.inGroup());
        EXPECT_FALSE(units.inTransaction());
        ASSERT_TRUE(succeeded(f.audit->write(AuditType::Error, u"after the undo"_s)));
        {
            UnitOfWork later(units);
            EXPECT_EQ(later.begun().message, undone);
        }
        const Result ended = group.commit();
        EXPECT_EQ(ended.message, undone);
    }
    for (int callNumber : {1, 2, 3})
        EXPECT_FALSE(f.call(0, callNumber).has_value()) << callNumber;
    EXPECT_EQ(f.auditTexts(), QStringList{u"E|after the undo"_s});

    {
        UnitOfWork group(units, UnitOfWork::Scope::Group);
        UnitOfWork unit(units);
        ASSERT_TRUE(succeeded(unit.begun()));
        ASSERT_TRUE(succeeded(storeCall(4)));
        ASSERT_TRUE(succeeded(unit.commit()));
        ASSERT_TRUE(succeeded(group.commit()));
    }
    EXPECT_TRUE(f.call(0, 4).has_value());
}

const UndoCase kUndoings[] = {
    {"leftUncommitted", UnitEnd::LeftUncommitted},
    {"rolledBack", UnitEnd::RolledBack},
    {"engineEndedTheTransaction", UnitEnd::EngineEndedTheTransaction},
};

INSTANTIATE_TEST_SUITE_P(Undoings, FileGroupTest, onBackend(kUndoings, StoreBackend::SQLite),
                         BackendRowName());

// A unit that could not begin has nothing of its own to undo: the work open around it, a group or a
// transaction of the store's own, is not touched.
struct BeginFailureCase {
    const char* name;
    bool inGroup;
};

class UnitOfWorkBeginTest : public BackendCaseTest<BeginFailureCase> {};

TEST_P(UnitOfWorkBeginTest, AUnitThatCouldNotBeginIsReportedAndUndoesNothing) {
    const std::unique_ptr<ProgramFixture> fixture = backends.fixture();
    ProgramFixture& f = *fixture;
    std::optional<UnitOfWork> group;
    if (row().inGroup) {
        group.emplace(f.store->units(), UnitOfWork::Scope::Group);
    } else {
        ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(postgres() ? u"BEGIN"_s : u"BEGIN IMMEDIATE"_s)));
    }
    ASSERT_TRUE(f.store->units().inTransaction());
    f.addCall(0, 1, 0);
    f.store->units().refuseWrites(u"the disk is read-only"_s);
    {
        UnitOfWork unit(f.store->units());
        EXPECT_EQ(unit.begun().message, u"the disk is read-only"_s);
        EXPECT_FALSE(unit.open());
        EXPECT_EQ(unit.commit().message, u"the disk is read-only"_s);
    }
    ASSERT_TRUE(f.store->units().inTransaction()) << "the work open around the unit is still open";
    if (group) {
        ASSERT_TRUE(group->commit().ok());
    } else {
        ASSERT_TRUE(succeeded(StoreProbe(*f.store).exec(u"COMMIT"_s)));
    }
    EXPECT_TRUE(f.call(0, 1).has_value());
}

const BeginFailureCase kAround[] = {{"group", true}, {"transaction", false}};

INSTANTIATE_TEST_SUITE_P(Around, UnitOfWorkBeginTest, onBothBackends(kAround), BackendRowName());

} // namespace
