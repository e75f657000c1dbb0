#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vrq {

// The statements of the old engine's DDL dialect that the schema upgrade uses, parsed into what the
// store must do. Column types: NUMBER (whole numbers), DATE, TEXT(n), YESNO/BIT.
struct JetColumn {
    QString name;
    QString jetType; // upper case, e.g. NUMBER, DATE, TEXT(6)
};

struct JetStatement {
    enum class Kind { CreateTable, AddColumn, DropPrimaryKey, AddPrimaryKey };
    Kind kind = Kind::CreateTable;
    QString table;
    QList<JetColumn> columns; // CreateTable, AddColumn (one)
    QStringList keyColumns;   // AddPrimaryKey
};

std::optional<JetStatement> parseJetDdl(const QString& sql);

// The column definition in the store's own dialect: declared type, NOT NULL/DEFAULT for yes/no
// columns, and a length check for TEXT(n) so an over-long text fails its one write.
QString storeColumnDefinition(const QString& name, const QString& jetOrDeclaredType);

} // namespace vrq
